#include <algorithm>

#include "AdText.h"
#include "PayslipBuilder.h"
#include "SlipPieces.h"
#include "workbook/SpreadsheetInstance.h"

QString BuildVerticalSlip(const SpreadsheetInstance &excel, int firstDataRowNumber, int row,
                          const QStringList &footerLines, int emailColumnNumber, bool showEmail,
                          const QString &programFolder) {
  const Worksheet &sheet = excel.activeSheet();
  const int columns = excel.usedLastColumn();
  const int headerRows = std::max(0, firstDataRowNumber - 1);
  const QString adText = ReadAdText(programFolder);

  QString out;
  out.reserve(slip::EstimatedSize(qsizetype{headerRows + 1} * columns, footerLines, adText));
  out +=
      u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>工资条</title>"
      u"<style>.shuli{ margin:0 auto;width:20px;line-height:24px;border:0px solid #333}"
      u"</style></head><body><table border=\"1\">";
  for (int c = 1; c <= columns; ++c) {
    if (!showEmail && c == emailColumnNumber) continue;
    out += u"<tr>";
    // Rows and columns swap: a block's height becomes its colspan, its width its rowspan.
    for (int r = 1; r <= headerRows; ++r) {
      const slip::Cell cell = slip::ReadCell(sheet, r, c);
      if (cell.leftOut()) continue;
      // A header spanning several table rows is set one character per line.
      slip::AppendHeaderCell(out, cell, cell.area.rows, cell.area.columns, cell.area.columns > 1);
    }
    const slip::Cell cell = slip::ReadCell(sheet, row, c);
    // A left-out employee cell leaves the row open: the next <tr> closes it.
    if (cell.leftOut()) continue;
    slip::AppendEmployeeCell(out, cell, cell.area.rows, cell.area.columns);
    out += u"\r</tr>";
  }
  out += u"\r</table><br><hr/>";
  slip::AppendTail(out, footerLines, adText);
  return out;
}
