#pragma once

#include <QSqlDatabase>
#include <QString>

class QThread;

// One SQLite connection to payslip.mdb, owned by the thread that created it. Every access checks
// the calling thread, so a connection can never be used from a thread that does not own it;
// threads that need the database make their own connection to the same file.
class DbConnection {
 public:
  DbConnection();
  ~DbConnection();
  DbConnection(const DbConnection &) = delete;
  DbConnection &operator=(const DbConnection &) = delete;

  // The file the connection works on (the "connection text"); the connection opens on the first
  // statement and then stays open.
  void setDatabasePath(const QString &path);
  QString databasePath() const;
  bool hasDatabasePath() const;
  bool isOpen() const;
  // Opens the connection; a missing file is created, and an existing one (with its side
  // files) restricted, readable and writable by its owner only.
  bool ensureOpen(QString &errorText);
  // Copies every committed change from the write-ahead log into the database file and empties
  // the log, so that the file alone is complete. Nothing to do when the connection is closed.
  bool checkpoint(QString &errorText);

  QSqlDatabase database() const;
  QString connectionName() const { return name_; }

 private:
  void checkThread() const;

  QString name_;
  QThread *owner_;
};

// The pragmas every connection to payslip.mdb runs after opening: write-ahead logging, so a
// writer on one connection never blocks readers on another, and a busy timeout for writers.
bool ConfigureSqliteConnection(QSqlDatabase &db, QString &errorText);

// The engine's own message for an error.
class QSqlError;
QString EngineMessage(const QSqlError &error);
