#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>

namespace {
QMutex folderMutex;
QString overrideFolder;

QString withSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}
}  // namespace

QString ProgramFolder() {
  {
    QMutexLocker lock(&folderMutex);
    if (!overrideFolder.isEmpty()) return overrideFolder;
  }
  return withSeparator(QCoreApplication::applicationDirPath());
}

void SetProgramFolderForTesting(const QString &folder) {
  QMutexLocker lock(&folderMutex);
  overrideFolder = folder.isEmpty() ? QString() : withSeparator(QDir::cleanPath(folder));
}
