#include "DbConnection.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include "DatabaseFileMode.h"

namespace {
QAtomicInt connectionCounter;
constexpr int kBusyTimeoutMs = 15000;
}  // namespace

QString EngineMessage(const QSqlError &error) {
  const QString db = error.databaseText().trimmed();
  return db.isEmpty() ? error.driverText().trimmed() : db;
}

bool ConfigureSqliteConnection(QSqlDatabase &db, QString &errorText) {
  QSqlQuery q(db);
  for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
    if (!q.exec(QString::fromLatin1(pragma))) {
      errorText = EngineMessage(q.lastError());
      return false;
    }
  }
  return true;
}

DbConnection::DbConnection()
    : name_(QStringLiteral("korvane-db-%1").arg(connectionCounter.fetchAndAddRelaxed(1))),
      owner_(QThread::currentThread()) {
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
  db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
}

DbConnection::~DbConnection() {
  checkThread();
  {
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isOpen()) db.close();
  }
  QSqlDatabase::removeDatabase(name_);
}

void DbConnection::checkThread() const {
  if (QThread::currentThread() != owner_) {
    qFatal("database connection %s used from a thread that does not own it", qPrintable(name_));
  }
}

QSqlDatabase DbConnection::database() const {
  checkThread();
  return QSqlDatabase::database(name_, false);
}

void DbConnection::setDatabasePath(const QString &path) {
  QSqlDatabase db = database();
  if (db.isOpen() && db.databaseName() != path) db.close();
  db.setDatabaseName(path);
}

QString DbConnection::databasePath() const { return database().databaseName(); }

bool DbConnection::hasDatabasePath() const { return !databasePath().isEmpty(); }

bool DbConnection::isOpen() const { return database().isOpen(); }

bool DbConnection::ensureOpen(QString &errorText) {
  QSqlDatabase db = database();
  if (db.isOpen()) return true;
  if (db.databaseName().isEmpty()) {
    errorText = QStringLiteral("未指定数据库文件");
    return false;
  }
  // SQLite would create a missing file, and its side files, readable by everyone.
  if (!CreateOwnerOnlyDatabaseFile(db.databaseName(), errorText)) return false;
  if (!db.open()) {
    errorText = EngineMessage(db.lastError());
    return false;
  }
  if (!ConfigureSqliteConnection(db, errorText)) {
    db.close();
    return false;
  }
  return true;
}

bool DbConnection::checkpoint(QString &errorText) {
  QSqlDatabase db = database();
  if (!db.isOpen()) return true;
  QSqlQuery q(db);
  // Another connection reading at this moment keeps part of the log; the next checkpoint, or
  // the last connection closing, writes the rest.
  if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"))) {
    errorText = EngineMessage(q.lastError());
    return false;
  }
  return true;
}
