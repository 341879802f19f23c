#pragma once

#include <QString>
#include <QStringList>

class DbQuery;

// A new sender account as typed into the account editor.
struct AccountFields {
  QString serverName;
  QString host;
  QString loginName;
  QString password;
  QString portText;  // goes into the statement exactly as typed
  bool needLogin = true;
  QString email;
  int typeIndex = -1;  // 0 personal, 1 enterprise, -1 none chosen; stored as index + 1
};

// The insert into smtp_server, every text as a string literal and the port bare.
QString BuildAccountInsert(const AccountFields &fields);
// What the insert holds that no message may show: the password's literal.
QStringList AccountInsertSecrets(const AccountFields &fields);

// Saves the account as a new smtp_server row. A port typed as a whole number outside 1..65535
// is refused before any statement runs; any other text goes into the statement as typed, for
// the database to judge. The error text of a failed statement has the password masked.
bool SaveNewAccount(const AccountFields &fields, DbQuery &query, QString &errorText);

// The port the test connects to: the text as a whole number, or 25.
int TestPortFromText(const QString &text);
