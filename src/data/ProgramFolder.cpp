#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
// The program's name in the user's data folder; korvane-cli runs under a name of its own
// but must find the same folder.
const QString kApplicationName = QStringLiteral("Korvane");

QMutex folderMutex;
QString overrideFolder;
QString defaultFolder;

QString withSeparator(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

void seed(const QString &from, const QString &to) {
  for (const QString &name : ShippedProgramFiles()) {
    const QString target = to + name;
    const QString source = from + name;
    if (QFileInfo::exists(target) || !QFileInfo::exists(source)) continue;
    // Through a temporary name, so a second program starting at the same moment never
    // reads a half-copied file.
    const QString partial =
        target + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) continue;
    // The copy keeps the read-only bits of an installed file; the program replaces mass.txt.
    QFile::setPermissions(partial, QFile::permissions(partial) | QFileDevice::WriteOwner);
    if (!QFile::rename(partial, target)) QFile::remove(partial);
  }
}
}  // namespace

QString ProgramFolder() {
  {
    QMutexLocker lock(&folderMutex);
    if (!overrideFolder.isEmpty()) return overrideFolder;
  }
  return DefaultProgramFolder();
}

QString DefaultProgramFolder() {
  QMutexLocker lock(&folderMutex);
  // Before the application object exists the executable's folder is unknown: decide nothing.
  if (defaultFolder.isEmpty() && QCoreApplication::instance())
    defaultFolder = ChooseProgramFolder(ShippedFilesFolder(),
                                        IsWritableFolder(ShippedFilesFolder()), UserDataFolder());
  return defaultFolder;
}

QString ShippedFilesFolder() { return withSeparator(QCoreApplication::applicationDirPath()); }

QString UserDataFolder() {
  // AppDataLocation without an organisation name is the generic data folder + the app name.
  return withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
         kApplicationName + QLatin1Char('/');
}

QString ChooseProgramFolder(const QString &besideExecutable, bool besideWritable,
                            const QString &userFolder) {
  const QString beside = withSeparator(besideExecutable);
  if (besideWritable || userFolder.isEmpty()) return beside;
  const QString user = withSeparator(QDir::cleanPath(userFolder));
  if (!QDir().mkpath(user)) return beside;
  seed(beside, user);
  return user;
}

QStringList ShippedProgramFiles() {
  return {QStringLiteral("mass.txt"), QStringLiteral("工资表样例.xls")};
}

bool IsWritableFolder(const QString &folder) {
  if (!QFileInfo(folder).isDir()) return false;
  // Trying is the only sure test: permission bits say nothing of read-only mounts or ACLs.
  QTemporaryFile probe(withSeparator(folder) + QStringLiteral(".korvane-write-XXXXXX"));
  return probe.open();
}

void SetProgramFolderForTesting(const QString &folder) {
  QMutexLocker lock(&folderMutex);
  overrideFolder = folder.isEmpty() ? QString() : withSeparator(QDir::cleanPath(folder));
}
