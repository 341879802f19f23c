#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "PaySlipInsert.h"
#include "data/DbQuery.h"

class DbConnection;
class SpreadsheetInstance;

// What the conversion of one worksheet needs besides the sheet: the layout as the user left it
// in the conversion window and the payslip style.
struct ConversionOptions {
  int FirstDataRowNumber = 1;
  int MaxRowNumber = 0;
  int EmailColumnNumber = 1;
  int NameColumnNumber = 2;  // the column stored as f2
  bool vertical = false;
  bool showEmail = false;
  QStringList footerLines;
  QString programFolder;  // where ad.txt is read from; ends with '/'
};

// The payslip document of a row, by the builder of the chosen orientation.
QString BuildPayslipDocument(const SpreadsheetInstance &sheet, const ConversionOptions &options,
                             int row);

// The steps of one row, in the order they are reported.
enum class ConversionStep { Parsing, AddressFound, Converting, Storing };
// The status text of a step: "正在解析表格的第" + row + "行" and so on.
QString ConversionStepText(ConversionStep step, int row, const QString &address);

// Called before every step of every row; the address is set from AddressFound on.
using ConversionProgress =
    std::function<void(ConversionStep step, int row, const QString &address)>;

struct ConversionResult {
  int rowCount = 0;            // N: the rows from the first data row to the last, maybe <= 0
  int rowsWithoutAddress = 0;  // K
  int storedRows = 0;
  int failedRow = 0;  // the row that could not be stored, 0 when none
  QString errorText;
  // Time spent building documents (address search, cell texts, builder) and storing them.
  qint64 buildNs = 0;
  qint64 storeNs = 0;
};

// "共转换" + N + "条数据." and, when some rows had no address, how many were left out.
QString ConversionSummaryText(int rowCount, int rowsWithoutAddress);

// A payslip larger than this is almost always a stray value far outside the table, which
// gives every payslip thousands of empty cells.
constexpr qsizetype kLargePayslipBytes = 2 * 1024 * 1024;
// "工资条过大：…": the used range and the size, and whether to go on.
QString LargePayslipQuestion(const SpreadsheetInstance &sheet, int row, qsizetype bytes);
// "A", "Z", "AA", … "XFD".
QString ColumnLetters(int column);

// Converts the employee rows of the active worksheet into the payslip batch: every row from
// the first data row to the last that holds an address becomes one payslip row of the table
// payslip. The batch is written in one transaction on the given connection; when a row cannot
// be stored, the rows before it are committed and stay in the batch.
class SheetConversion {
 public:
  SheetConversion(const SpreadsheetInstance &sheet, ConversionOptions options,
                  DbConnection &connection);

  const ConversionOptions &options() const { return options_; }

  // The payslip document of a row, by the builder of the chosen orientation.
  QString buildDocument(int row) const;
  // The size in UTF-8 bytes of the first data row's payslip, as it would be stored and mailed;
  // 0 when there is no data row.
  qsizetype firstPayslipBytes() const;

  // Converts and stores every row. False when a row could not be stored (or the batch could
  // not be committed); result says how far it came.
  bool run(const ConversionProgress &progress, ConversionResult &result);

 private:
  const SpreadsheetInstance &sheet_;
  ConversionOptions options_;
  DbConnection &connection_;
  DbQuery query_;
  PaySlipInsert insert_;
};
