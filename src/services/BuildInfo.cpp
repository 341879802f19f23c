#include "BuildInfo.h"

#include <QStringList>

#ifndef KORVANE_FILE_VERSION
#define KORVANE_FILE_VERSION ""
#endif

QString FileVersionText() { return FourPartVersion(QStringLiteral(KORVANE_FILE_VERSION)); }

QString FourPartVersion(const QString &version) {
  const QStringList given = version.trimmed().split(QLatin1Char('.'), Qt::SkipEmptyParts);
  QStringList parts;
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    const uint number = i < given.size() ? given[i].toUInt(&ok) : 0;
    // Each part is a 16-bit field of the version resource.
    parts << QString::number(ok ? qMin(number, 65535u) : 0u);
  }
  return parts.join(QLatin1Char('.'));
}
