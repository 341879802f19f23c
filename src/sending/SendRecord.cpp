#include "SendRecord.h"

#include "data/Data.h"
#include "data/DbQuery.h"
#include "data/SqlText.h"

// PRAGMA synchronous cannot change inside a transaction, so the scope is taken around them.
FullSyncScope::FullSyncScope(DbQuery &query) : query_(query) {
  QString error;
  if (query_.open(QStringLiteral("PRAGMA synchronous"), error)) level_ = query_.field(0).toInt();
  query_.close();
  query_.exec(QStringLiteral("PRAGMA synchronous=FULL"), error);
}

FullSyncScope::~FullSyncScope() {
  QString error;
  if (level_ >= 0)
    query_.exec(QStringLiteral("PRAGMA synchronous=") + QString::number(level_), error);
}

bool RecordPayslipSent(DbQuery &query, int payslipId, QString &errorText) {
  QString error;
  if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"), error)) {
    errorText = error;
    return false;
  }
  if (!SqlExec(QStringLiteral("update payslip set send_status=true where payslip_id=") +
                   QString::number(payslipId),
               query, errorText)) {
    query.exec(QStringLiteral("ROLLBACK"), error);
    return false;
  }
  ArchiveSentPayslip(query, payslipId);
  if (!query.exec(QStringLiteral("COMMIT"), error)) {
    errorText = error;
    QString ignored;
    query.exec(QStringLiteral("ROLLBACK"), ignored);
    return false;
  }
  return true;
}

bool RecordPayslipError(DbQuery &query, int payslipId, const QString &error) {
  QString ignored;
  return SqlExec(QStringLiteral("update payslip set err_msg=") + QuotedSqlText(error) +
                     QStringLiteral(" where payslip_id=") + QString::number(payslipId),
                 query, ignored);
}
