#include "MassIni.h"

#include <QFileInfo>

#include "IniDocument.h"

namespace {
const QString kSmtp = QStringLiteral("SMTP");
const QString kEmail = QStringLiteral("EMAIL");
}  // namespace

QString MassIniPath(const QString &folder) { return folder + QStringLiteral("Mass.ini"); }

bool ReadMassIni(const QString &folder, MassIniValues &values) {
  const QString path = MassIniPath(folder);
  if (!QFileInfo::exists(path)) return false;
  IniDocument ini;
  ini.load(path);
  const MassIniValues defaults;
  values.server = ini.value(kSmtp, QStringLiteral("Server"), defaults.server);
  values.inTurn = ini.value(kSmtp, QStringLiteral("InTurn"), defaults.inTurn);
  values.interval = ini.value(kSmtp, QStringLiteral("Interval"), defaults.interval);
  values.title = ini.value(kEmail, QStringLiteral("TITLE"), defaults.title);
  values.randWaitSecond =
      ini.value(kSmtp, QStringLiteral("RandWaitSecond"), defaults.randWaitSecond);
  values.sendCnt = ini.value(kSmtp, QStringLiteral("SendCnt"), defaults.sendCnt);
  values.waitSecond = ini.value(kSmtp, QStringLiteral("WaitSecond"), defaults.waitSecond);
  values.addName = ini.value(kSmtp, QStringLiteral("AddName"), defaults.addName);
  return true;
}

bool WriteMassIni(const QString &folder, const MassIniValues &values, QString &errorText) {
  const QString path = MassIniPath(folder);
  IniDocument ini;
  ini.load(path);
  ini.setValue(kSmtp, QStringLiteral("Server"), values.server);
  ini.setValue(kSmtp, QStringLiteral("InTurn"), values.inTurn);
  ini.setValue(kSmtp, QStringLiteral("Interval"), values.interval);
  ini.setValue(kSmtp, QStringLiteral("RandWaitSecond"), values.randWaitSecond);
  ini.setValue(kEmail, QStringLiteral("TITLE"), values.title);
  ini.setValue(kSmtp, QStringLiteral("SendCnt"), values.sendCnt);
  ini.setValue(kSmtp, QStringLiteral("WaitSecond"), values.waitSecond);
  ini.setValue(kSmtp, QStringLiteral("AddName"), values.addName);
  return ini.save(path, errorText);
}
