#include "SheetLayout.h"

#include <algorithm>

#include "CellText.h"
#include "EmailAddress.h"
#include "SpreadsheetInstance.h"
#include "TrimmedText.h"

namespace {
bool isNameHeader(const QString &text) {
  return text == QStringLiteral("姓名") || text == QStringLiteral("name");
}
}  // namespace

// The searches visit only the stored cells: a position without one reads as empty, and no
// empty text is an address or a header, so the first hit of the walk over every position is
// the first hit among the stored cells in the same order. A sheet's used range may span
// 1.7e10 positions for a file of a kilobyte.

int FindFirstEmailCell(const SpreadsheetInstance &sheet, int &emailColumn) {
  const Worksheet &ws = sheet.activeSheet();
  for (const Worksheet::Entry &e : ws.cells()) {  // row-major, as the walk
    if (HasEmailAddress(TrimmedText(CellValueText(ws, e.value)))) {
      emailColumn = e.column;
      return e.row;
    }
  }
  return 0;
}

bool GetRowEmail(const SpreadsheetInstance &sheet, int row, QString &address) {
  const Worksheet &ws = sheet.activeSheet();
  for (const Worksheet::Entry &e : ws.rowCells(row)) {
    const QString text = TrimmedText(CellValueText(ws, e.value));
    if (HasEmailAddress(text)) {
      address = text;
      return true;
    }
  }
  return false;
}

QString ProposedMailTitle(const SpreadsheetInstance &sheet, const QString &salaryFileName) {
  QString title;
  if (sheet.cellMerged(1, 1)) {
    const Worksheet &ws = sheet.activeSheet();
    for (const Worksheet::Entry &e : ws.rowCells(1)) {
      const QString text = TrimmedText(CellValueText(ws, e.value));
      if (text.isEmpty()) continue;
      if (!title.isEmpty()) {
        // A title and something else (a date, a unit) in row 1: no telling which is the title.
        title.clear();
        break;
      }
      title = text;
    }
  }
  if (!title.isEmpty()) return title;
  return salaryFileName + QStringLiteral("[") + sheet.activeSheetName() + QStringLiteral("]");
}

int FindNameColumn(const SpreadsheetInstance &sheet, int firstDataRowNumber) {
  const int h = firstDataRowNumber - 1;
  if (h < 1) return 0;  // no header row to look in
  // Column b is read in rows top(b)..h: the header row alone, or for a header merged over
  // several rows the rows the block's height reaches up to; a block reaching below row h
  // would start the read above row 1, so the read starts at row 1 at the latest. The leftmost
  // column with a name header among those rows wins: every stored cell above the header row
  // is a candidate, decided by its own column's reach.
  const Worksheet &ws = sheet.activeSheet();
  int found = 0;
  for (const Worksheet::Entry &e : ws.cells()) {
    if (e.row > h) break;
    if (found != 0 && e.column >= found) continue;
    if (!isNameHeader(CellValueText(ws, e.value))) continue;
    const int top = std::max(1, h - ws.mergeArea(h, e.column).rows + 1);
    if (e.row >= top) found = e.column;
  }
  return found;
}

QString LayoutSummaryText(int maxRowNumber, int firstDataRowNumber, int emailColumnNumber) {
  return QStringLiteral("共包含") + QString::number(maxRowNumber - firstDataRowNumber + 1) +
         QStringLiteral("行数据。电子邮件地址位于第") + QString::number(emailColumnNumber) +
         QStringLiteral("列。");
}

SheetLayout AnalyseSheetLayout(const SpreadsheetInstance &sheet, int firstDataRowNumber,
                               int emailColumnNumber, const QString &salaryFileName) {
  SheetLayout layout;
  layout.FirstDataRowNumber = firstDataRowNumber;
  layout.EmailColumnNumber = emailColumnNumber;
  layout.MaxRowNumber = sheet.usedLastRow();
  layout.MailTitle = ProposedMailTitle(sheet, salaryFileName);
  layout.NameColumnNumber = FindNameColumn(sheet, firstDataRowNumber);
  return layout;
}

SheetLayout AnalyseSheetLayout(const SpreadsheetInstance &sheet, const QString &salaryFileName) {
  int emailColumn = 0;
  const int firstDataRow = FindFirstEmailCell(sheet, emailColumn);
  if (firstDataRow == 0) {
    SheetLayout layout;
    layout.MaxRowNumber = sheet.usedLastRow();
    layout.MailTitle = ProposedMailTitle(sheet, salaryFileName);
    return layout;
  }
  return AnalyseSheetLayout(sheet, firstDataRow, emailColumn, salaryFileName);
}
