#include "Data.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

#include "DatabaseFileMode.h"
#include "PayslipSchema.h"
#include "ProgramFolder.h"
#include "SecretText.h"

TDataModule1 *DataModule1 = nullptr;

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kSuccess = QStringLiteral("Success");
const QString kErrorWord = QStringLiteral("错误");
}  // namespace

TDataModule1::TDataModule1() : ADOQueryAccessComm(ADOConnectionAccess) {}

TDataModule1::~TDataModule1() {
  ADOQueryAccessComm.close();
  CheckpointLog();
}

void TDataModule1::CheckpointLog() {
  QString ignored;  // at the end of a run there is nobody left to tell
  ADOConnectionAccess.checkpoint(ignored);
}

QString PayslipDatabasePath() { return PayslipDatabasePath(ProgramFolder()); }

QString PayslipDatabasePath(const QString &folder) {
  return folder + QStringLiteral("payslip.mdb");
}

bool SqlOpen(const QString &sql, DbQuery &query, QString &errorText) {
  errorText = kSuccess;
  QString engine;
  if (query.open(sql, engine)) return true;
  errorText = engine + kCrLf + kErrorWord;
  return false;
}

bool SqlExec(const QString &sql, DbQuery &query, QString &errorText) {
  return SqlExec(sql, query, errorText, {});
}

bool SqlExec(const QString &sql, DbQuery &query, QString &errorText, const QStringList &secrets) {
  errorText = kSuccess;
  QString engine;
  if (query.exec(sql, engine)) return true;
  errorText = MaskSecrets(engine + kCrLf + kErrorWord + kCrLf + sql, secrets);
  return false;
}

bool ArchiveSentPayslip(int payslipId) {
  return ArchiveSentPayslip(DataModule1->ADOQueryAccessComm, payslipId);
}

bool ArchiveSentPayslip(DbQuery &query, int payslipId) {
  QString ignored;
  return SqlExec(
      QStringLiteral("insert into slip(f1,f2,f3,email_address,html_str,[send_status],smtp_server,"
                     "send_time) ") +
          QStringLiteral(" select f1,f2,f3,email_address,html_str,send_status,smtp_server,"
                         "send_time from payslip ") +
          QStringLiteral(" where payslip_id=") + QString::number(payslipId),
      query, ignored);
}

bool CreateDatabaseFile(const QString &path, QString &errorText) {
  const QString name = QStringLiteral("korvane-create");
  if (!CreateOwnerOnlyDatabaseFile(path, errorText)) return false;
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // The file is still empty; setting the journal mode writes its header.
    if (!db.open()) {
      errorText = EngineMessage(db.lastError());
    } else {
      ok = ConfigureSqliteConnection(db, errorText);
      db.close();
    }
  }
  QSqlDatabase::removeDatabase(name);
  if (ok && !QFileInfo::exists(path)) {
    errorText = QStringLiteral("无法创建数据库文件 ") + path;
    ok = false;
  }
  // An empty file left behind would pass for a database on the next start.
  if (!ok && QFileInfo(path).size() == 0) QFile::remove(path);
  return ok;
}

bool CreatePayslipTables(QString &errorText) {
  return CreatePayslipTables(DataModule1->ADOQueryAccessComm, errorText);
}

bool CreatePayslipTables(DbQuery &query, QString &errorText) {
  for (const QString &statement : PayslipTableStatements()) {
    if (!SqlExec(statement, query, errorText)) return false;
  }
  return true;
}

bool OpenPayslipDatabase(QString &errorText) {
  return OpenPayslipDatabase(DataModule1->ADOConnectionAccess, ProgramFolder(), errorText);
}

bool OpenPayslipDatabase(DbConnection &connection, const QString &folder, QString &errorText) {
  if (connection.isOpen()) return true;
  const QString path = PayslipDatabasePath(folder);
  if (QFileInfo::exists(path)) {
    connection.setDatabasePath(path);
    return true;
  }
  QString stepError;
  if (!CreateDatabaseFile(path, stepError)) {
    errorText = stepError;
    return false;
  }
  connection.setDatabasePath(path);
  DbQuery query(connection);
  if (!CreatePayslipTables(query, stepError)) {
    errorText = stepError;
    return false;
  }
  // A first run killed before any clean exit must still leave a file that holds the tables on
  // its own, for a user who copies payslip.mdb alone.
  connection.checkpoint(stepError);
  return true;
}

void PointAtPayslipDatabase(DbConnection &connection) {
  connection.setDatabasePath(PayslipDatabasePath());
}
