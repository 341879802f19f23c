#include "SheetConversion.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>

#include "PayslipBuilder.h"
#include "data/DbConnection.h"
#include "workbook/EmailAddress.h"
#include "workbook/SheetLayout.h"
#include "workbook/SpreadsheetInstance.h"
#include "workbook/TrimmedText.h"

namespace {
// The row's address as GetRowEmail finds it. Only text cells are tested: the text of a number,
// date, boolean or error never holds an "@", and turning every number into text for the test
// cost a third of the conversion.
bool rowAddress(const SpreadsheetInstance &sheet, int row, QString &address) {
  const int lastColumn = sheet.usedLastColumn();
  for (int c = 1; c <= lastColumn; ++c) {
    if (sheet.cellValue(row, c).type != CellValue::Type::Text) continue;
    const QString text = TrimmedText(sheet.cellText(row, c));
    if (HasEmailAddress(text)) {
      address = text;
      return true;
    }
  }
  return false;
}
}  // namespace

QString ConversionStepText(ConversionStep step, int row, const QString &address) {
  const QString number = QString::number(row);
  switch (step) {
    case ConversionStep::Parsing:
      return QStringLiteral("正在解析表格的第") + number + QStringLiteral("行");
    case ConversionStep::AddressFound:
      return QStringLiteral("从第") + number + QStringLiteral("行获取到电子邮件地址：") + address;
    case ConversionStep::Converting:
      return QStringLiteral("正在转换表格的第") + number + QStringLiteral("行为HTML格式");
    case ConversionStep::Storing:
      return QStringLiteral("正在处理表格的第") + number + QStringLiteral("行");
  }
  return {};
}

QString ConversionSummaryText(int rowCount, int rowsWithoutAddress) {
  QString text = QStringLiteral("共转换") + QString::number(rowCount) + QStringLiteral("条数据.");
  if (rowsWithoutAddress > 0) {
    text += QStringLiteral("其中") + QString::number(rowsWithoutAddress) +
            QStringLiteral("条数据无电子邮件地址，无法转换，实际转换") +
            QString::number(rowCount - rowsWithoutAddress) + QStringLiteral("条数据用于发送。");
  }
  return text;
}

QString ColumnLetters(int column) {
  QString letters;
  for (int c = column; c > 0; c = (c - 1) / 26)
    letters.prepend(QLatin1Char(static_cast<char>('A' + (c - 1) % 26)));
  return letters;
}

QString LargePayslipQuestion(const SpreadsheetInstance &sheet, int row, qsizetype bytes) {
  const QString size = QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
  const QString range = QStringLiteral("A1:") + ColumnLetters(sheet.usedLastColumn()) +
                        QString::number(sheet.usedLastRow());
  return QStringLiteral("工资条过大：第") + QString::number(row) + QStringLiteral("行的工资条有") +
         size + QStringLiteral(" MB，工作表的使用区域为") + range +
         QStringLiteral(
             "。表格右侧或下方远处可能有误录入的内容，每张工资条都会带上这些空白的行列。") +
         QLatin1Char('\r') + QStringLiteral("仍要继续转换吗？");
}

SheetConversion::SheetConversion(const SpreadsheetInstance &sheet, ConversionOptions options,
                                 DbConnection &connection)
    : sheet_(sheet),
      options_(std::move(options)),
      connection_(connection),
      query_(connection),
      insert_(query_) {}

QString BuildPayslipDocument(const SpreadsheetInstance &sheet, const ConversionOptions &o,
                             int row) {
  return o.vertical ? BuildVerticalSlip(sheet, o.FirstDataRowNumber, row, o.footerLines,
                                        o.EmailColumnNumber, o.showEmail, o.programFolder)
                    : BuildHorizontalSlip(sheet, o.FirstDataRowNumber, row, o.footerLines,
                                          o.EmailColumnNumber, o.showEmail, o.programFolder);
}

QString SheetConversion::buildDocument(int row) const {
  return BuildPayslipDocument(sheet_, options_, row);
}

qsizetype SheetConversion::firstPayslipBytes() const {
  if (options_.FirstDataRowNumber > options_.MaxRowNumber) return 0;
  return buildDocument(options_.FirstDataRowNumber).toUtf8().size();
}

bool SheetConversion::run(const ConversionProgress &progress, ConversionResult &result) {
  result = ConversionResult();
  result.rowCount = options_.MaxRowNumber - options_.FirstDataRowNumber + 1;
  auto report = [&](ConversionStep step, int row, const QString &address) {
    if (progress) progress(step, row, address);
  };

  QString errorText;
  if (!connection_.ensureOpen(errorText)) {
    result.errorText = errorText;
    return false;
  }
  QSqlDatabase db = connection_.database();
  // One transaction for the whole batch: a commit per row would cost a disk sync per payslip.
  if (!db.transaction()) {
    result.errorText = EngineMessage(db.lastError());
    return false;
  }

  bool stored = true;
  QElapsedTimer clock;
  for (int row = options_.FirstDataRowNumber; row <= options_.MaxRowNumber; ++row) {
    report(ConversionStep::Parsing, row, QString());
    clock.start();
    QString address;
    if (!rowAddress(sheet_, row, address)) {
      result.buildNs += clock.nsecsElapsed();
      ++result.rowsWithoutAddress;
      continue;
    }
    result.buildNs += clock.nsecsElapsed();
    report(ConversionStep::AddressFound, row, address);
    report(ConversionStep::Converting, row, address);
    clock.start();
    const QString document = buildDocument(row);
    result.buildNs += clock.nsecsElapsed();
    report(ConversionStep::Storing, row, address);
    clock.start();
    stored = insert_.save(sheet_, row, options_.NameColumnNumber, address, document, errorText);
    result.storeNs += clock.nsecsElapsed();
    if (!stored) {
      result.failedRow = row;
      result.errorText = errorText;
      break;
    }
    ++result.storedRows;
  }

  // Also after a failing row: the payslips stored before it stay in the batch.
  clock.start();
  query_.close();
  const bool committed = db.commit();
  result.storeNs += clock.nsecsElapsed();
  if (!committed) {
    const QString commitError = EngineMessage(db.lastError());
    db.rollback();
    result.storedRows = 0;
    result.errorText = stored ? commitError : result.errorText;
    return false;
  }
  return stored;
}
