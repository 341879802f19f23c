#include "Data.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

#include "PayslipSchema.h"
#include "ProgramFolder.h"

TDataModule1 *DataModule1 = nullptr;

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kSuccess = QStringLiteral("Success");
const QString kErrorWord = QStringLiteral("错误");
}  // namespace

TDataModule1::TDataModule1() : ADOQueryAccessComm(ADOConnectionAccess) {}

TDataModule1::~TDataModule1() { ADOQueryAccessComm.close(); }

QString PayslipDatabasePath() { return ProgramFolder() + QStringLiteral("payslip.mdb"); }

bool SqlOpen(const QString &sql, DbQuery &query, QString &errorText) {
  errorText = kSuccess;
  QString engine;
  if (query.open(sql, engine)) return true;
  errorText = engine + kCrLf + kErrorWord;
  return false;
}

bool SqlExec(const QString &sql, DbQuery &query, QString &errorText) {
  errorText = kSuccess;
  QString engine;
  if (query.exec(sql, engine)) return true;
  errorText = engine + kCrLf + kErrorWord + kCrLf + sql;
  return false;
}

bool ArchiveSentPayslip(int payslipId) {
  QString ignored;
  return SqlExec(
      QStringLiteral("insert into slip(f1,f2,f3,email_address,html_str,[send_status],smtp_server,"
                     "send_time) ") +
          QStringLiteral(" select f1,f2,f3,email_address,html_str,send_status,smtp_server,"
                         "send_time from payslip ") +
          QStringLiteral(" where payslip_id=") + QString::number(payslipId),
      DataModule1->ADOQueryAccessComm, ignored);
}

bool CreateDatabaseFile(const QString &path, QString &errorText) {
  const QString name = QStringLiteral("korvane-create");
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // SQLite creates the file lazily; setting the journal mode writes its header.
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
  return ok;
}

bool CreatePayslipTables(QString &errorText) {
  for (const QString &statement : PayslipTableStatements()) {
    if (!SqlExec(statement, DataModule1->ADOQueryAccessComm, errorText)) return false;
  }
  return true;
}

bool OpenPayslipDatabase(QString &errorText) {
  DbConnection &connection = DataModule1->ADOConnectionAccess;
  if (connection.isOpen()) return true;
  const QString path = PayslipDatabasePath();
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
  if (!CreatePayslipTables(stepError)) {
    errorText = stepError;
    return false;
  }
  return true;
}

void PointAtPayslipDatabase(DbConnection &connection) {
  connection.setDatabasePath(PayslipDatabasePath());
}
