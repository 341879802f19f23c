#include "PaySlipInsert.h"

#include "data/DbQuery.h"
#include "workbook/SheetLayout.h"
#include "workbook/SpreadsheetInstance.h"

namespace {
const QString kInsert = QStringLiteral(
    "insert into payslip(f1,f2,f3,email_address,html_str,row_number) "
    "values(:f1,:f2,:f3,:EmailAddress,:HtmlStr,:RowNumber)");
}  // namespace

bool PaySlipInsert::save(const SpreadsheetInstance &sheet, int row, int nameColumn,
                         const QString &address, const QString &document, QString &errorText) {
  // Prepared once while the query keeps it; any other statement on the query replaces it.
  if (query_.sqlQuery().lastQuery() != kInsert && !query_.prepare(kInsert, errorText)) return false;
  query_.bindValue(QStringLiteral(":f1"), sheet.cellText(row, 1));
  query_.bindValue(QStringLiteral(":f2"),
                   nameColumn >= 1 ? sheet.cellText(row, nameColumn) : QString());
  query_.bindValue(QStringLiteral(":f3"), sheet.cellText(row, 3));
  query_.bindValue(QStringLiteral(":EmailAddress"), address);
  query_.bindValue(QStringLiteral(":HtmlStr"), document);
  query_.bindValue(QStringLiteral(":RowNumber"), row);
  return query_.execPrepared(errorText);
}

bool PaySlipInsert::save(const SpreadsheetInstance &sheet, int row, int nameColumn,
                         const QString &document, QString &errorText) {
  QString address;
  if (!GetRowEmail(sheet, row, address)) {
    errorText = QStringLiteral("无Email地址，无法发送");
    return false;
  }
  return save(sheet, row, nameColumn, address, document, errorText);
}
