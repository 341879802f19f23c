#include "TestPaths.h"

#include <QDir>
#include <QFileInfo>

QString SourceDir() { return QStringLiteral(KORVANE_SOURCE_DIR); }

QString TestDataDir() { return SourceDir() + QStringLiteral("/tests"); }

QString CorpusDir() {
  const QString dir = QDir::cleanPath(SourceDir() + QStringLiteral("/../shared/corpus"));
  return QFileInfo(dir + QStringLiteral("/MANIFEST.tsv")).exists() ? dir : QString();
}

QString SystemPython() { return QStringLiteral("/usr/bin/python3"); }
