#pragma once

#include <QString>
#include <QStringList>

#include "DbConnection.h"
#include "DbQuery.h"

// The data module: the window thread's connection to payslip.mdb and the one shared query that
// nearly all of the program's SQL runs on.
class TDataModule1 {
 public:
  TDataModule1();
  // Checkpoints the write-ahead log, so that payslip.mdb alone holds everything.
  ~TDataModule1();

  // The same at any moment: every committed change goes from the -wal file into payslip.mdb.
  void CheckpointLog();

  DbConnection ADOConnectionAccess;
  DbQuery ADOQueryAccessComm;
};

// Created at start-up after the main window; lives for the whole run.
extern TDataModule1 *DataModule1;

// payslip.mdb in the program folder, or in the given folder (ending with a separator).
QString PayslipDatabasePath();
QString PayslipDatabasePath(const QString &folder);

// Runs a select; on success the query stays open on the first row. Error text: "Success", or
// the engine's message + CR LF + "错误".
bool SqlOpen(const QString &sql, DbQuery &query, QString &errorText);
// Runs a statement without rows and closes the query. Error text: "Success", or the engine's
// message + CR LF + "错误" + CR LF + the statement.
bool SqlExec(const QString &sql, DbQuery &query, QString &errorText);
// The same for a statement holding secrets (a password's SQL literal): each is masked in the
// error text, in the engine's message and in the statement alike.
bool SqlExec(const QString &sql, DbQuery &query, QString &errorText, const QStringList &secrets);
// Copies one payslip row into the archive table slip, on the shared query or the given one.
bool ArchiveSentPayslip(int payslipId);
bool ArchiveSentPayslip(DbQuery &query, int payslipId);
// Makes sure payslip.mdb exists (created with its tables on first use, readable and writable
// by its owner only, the write-ahead log checkpointed afterwards) and the shared connection
// points at it.
bool OpenPayslipDatabase(QString &errorText);
// The same for any connection and folder: a thread of its own, or the command-line tool.
bool OpenPayslipDatabase(DbConnection &connection, const QString &folder, QString &errorText);
bool CreateDatabaseFile(const QString &path, QString &errorText);
bool CreatePayslipTables(QString &errorText);
bool CreatePayslipTables(DbQuery &query, QString &errorText);

// For a background thread: points a connection of its own at payslip.mdb.
void PointAtPayslipDatabase(DbConnection &connection);
