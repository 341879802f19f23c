#include "SheetLayout.h"

#include <algorithm>

#include "EmailAddress.h"
#include "SpreadsheetInstance.h"
#include "TrimmedText.h"

namespace {
bool isNameHeader(const QString &text) {
  return text == QStringLiteral("姓名") || text == QStringLiteral("name");
}
}  // namespace

int FindFirstEmailCell(const SpreadsheetInstance &sheet, int &emailColumn) {
  const int lastRow = sheet.usedLastRow();
  const int lastColumn = sheet.usedLastColumn();
  for (int r = 1; r <= lastRow; ++r) {
    for (int c = 1; c <= lastColumn; ++c) {
      if (HasEmailAddress(TrimmedText(sheet.cellText(r, c)))) {
        emailColumn = c;
        return r;
      }
    }
  }
  return 0;
}

bool GetRowEmail(const SpreadsheetInstance &sheet, int row, QString &address) {
  const int lastColumn = sheet.usedLastColumn();
  for (int c = 1; c <= lastColumn; ++c) {
    const QString text = TrimmedText(sheet.cellText(row, c));
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
    const int lastColumn = sheet.usedLastColumn();
    for (int c = 1; c <= lastColumn; ++c) {
      const QString text = TrimmedText(sheet.cellText(1, c));
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
  const int lastColumn = sheet.usedLastColumn();
  for (int b = 1; b <= lastColumn; ++b) {
    if (!sheet.cellMerged(h, b)) {
      if (isNameHeader(sheet.cellText(h, b))) return b;
      continue;
    }
    // A header merged over several rows keeps its text in the top cell; a block reaching
    // below row h would start the read above row 1, so the read starts at row 1 at the latest.
    const int top = std::max(1, h - sheet.mergeAreaRows(h, b) + 1);
    for (int r = top; r <= h; ++r) {
      if (isNameHeader(sheet.cellText(r, b))) return b;
    }
  }
  return 0;
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
