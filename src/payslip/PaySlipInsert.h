#pragma once

#include <QString>

class DbQuery;
class SpreadsheetInstance;

// The named-parameter insert of one payslip row into the batch. Values go in as parameters,
// so quotes in cell texts need no escaping; the statement stays prepared on the query until
// the query runs another one.
class PaySlipInsert {
 public:
  explicit PaySlipInsert(DbQuery &query) : query_(query) {}

  // Stores the row: f1, f2, f3 are the untrimmed texts of columns 1, nameColumn and 3 (a name
  // column outside the sheet reads empty), email_address the address, html_str the document.
  // Error text: the database's message.
  bool save(const SpreadsheetInstance &sheet, int row, int nameColumn, const QString &address,
            const QString &document, QString &errorText);
  // The same, with the row's address found as GetRowEmail finds it; without one it fails with
  // "无Email地址，无法发送" and stores nothing.
  bool save(const SpreadsheetInstance &sheet, int row, int nameColumn, const QString &document,
            QString &errorText);

 private:
  DbQuery &query_;
};
