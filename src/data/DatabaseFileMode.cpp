#include "DatabaseFileMode.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteOther | QFileDevice::ExeOther;

// An in-memory database (":memory:") or an SQLite URI has no file of its own here.
bool isFilePath(const QString &path) {
  return !path.isEmpty() && !path.startsWith(QLatin1Char(':')) &&
         !path.startsWith(QLatin1String("file:"));
}

void restrict(const QString &file) {
  const QFileInfo info(file);
  if (!info.exists()) return;
  const QFileDevice::Permissions now = info.permissions();
  if (!(now & kOthers)) return;
  QFile::setPermissions(file, now & ~kOthers);
}
}  // namespace

bool CreateOwnerOnlyDatabaseFile(const QString &path, QString &errorText) {
  if (!isFilePath(path)) return true;
  if (!QFileInfo::exists(path)) {
    QFile file(path);
    // Created with its final mode, so that it is never readable by others, not even empty.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly) &&
        !QFileInfo::exists(path)) {
      errorText =
          QStringLiteral("无法创建数据库文件 ") + path + QStringLiteral("：") + file.errorString();
      return false;
    }
  }
  RestrictDatabaseFilesToOwner(path);
  return true;
}

void RestrictDatabaseFilesToOwner(const QString &path) {
  if (!isFilePath(path)) return;
  for (const char *suffix : {"", "-wal", "-shm", "-journal"})
    restrict(path + QLatin1String(suffix));
}
