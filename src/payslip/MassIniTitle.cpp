#include "MassIniTitle.h"

#include "sending/IniDocument.h"
#include "sending/MassIni.h"

bool WriteMassIniTitle(const QString &folder, const QString &title, QString &errorText) {
  const QString path = MassIniPath(folder);
  IniDocument ini;
  ini.load(path);
  ini.setValue(QStringLiteral("EMAIL"), QStringLiteral("TITLE"), title);
  return ini.save(path, errorText);
}
