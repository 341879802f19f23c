#pragma once

#include <QString>

// The eight send options of Mass.ini, all as the text stored (flags "1" or "0").
struct MassIniValues {
  QString server;                                // SMTP/Server: server_id, or empty
  QString inTurn = QStringLiteral("0");          // SMTP/InTurn
  QString interval = QStringLiteral("3");        // SMTP/Interval, as typed
  QString title;                                 // EMAIL/TITLE
  QString randWaitSecond = QStringLiteral("0");  // SMTP/RandWaitSecond
  QString sendCnt = QStringLiteral("30");        // SMTP/SendCnt, as typed
  QString waitSecond = QStringLiteral("10");     // SMTP/WaitSecond, as typed
  QString addName = QStringLiteral("0");         // SMTP/AddName
};

QString MassIniPath(const QString &folder);

// False (and nothing read) when folder/Mass.ini does not exist; otherwise every value, with the
// default of MassIniValues for a missing key.
bool ReadMassIni(const QString &folder, MassIniValues &values);
// Writes the eight values in the order Server, InTurn, Interval, RandWaitSecond, TITLE,
// SendCnt, WaitSecond, AddName, each into its section, keeping every other line of the file.
bool WriteMassIni(const QString &folder, const MassIniValues &values, QString &errorText);

// Rotation is on for every stored text but "0"; the other flags only for exactly "1".
inline bool InTurnIsOn(const QString &text) { return text != QLatin1String("0"); }
inline bool FlagIsOn(const QString &text) { return text == QLatin1String("1"); }
inline QString FlagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
