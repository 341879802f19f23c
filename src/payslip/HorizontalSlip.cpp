#include <algorithm>

#include "AdText.h"
#include "PayslipBuilder.h"
#include "SlipPieces.h"
#include "workbook/SpreadsheetInstance.h"

QString BuildHorizontalSlip(const SpreadsheetInstance &excel, int firstDataRowNumber, int row,
                            const QStringList &footerLines, int emailColumnNumber, bool showEmail,
                            const QString &programFolder) {
  const Worksheet &sheet = excel.activeSheet();
  const int columns = excel.usedLastColumn();
  const int headerRows = std::max(0, firstDataRowNumber - 1);
  const QString adText = ReadAdText(programFolder);
  auto shown = [&](int c) { return showEmail || c != emailColumnNumber; };

  QString out;
  out.reserve(slip::EstimatedSize(qsizetype{headerRows + 1} * columns, footerLines, adText));
  out +=
      u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>工资条</title></head>"
      u"<body><table border=\"1\">";
  for (int r = 1; r <= headerRows; ++r) {
    out += u"\r<tr>";
    for (int c = 1; c <= columns; ++c) {
      if (!shown(c)) continue;
      const slip::Cell cell = slip::ReadCell(sheet, r, c);
      if (cell.leftOut()) continue;
      slip::AppendHeaderCell(out, cell, cell.area.columns, cell.area.rows, false);
    }
    out += u"\r</tr>";
  }
  out += u"<tr>";
  for (int c = 1; c <= columns; ++c) {
    if (!shown(c)) continue;
    const slip::Cell cell = slip::ReadCell(sheet, row, c);
    if (cell.leftOut()) continue;
    slip::AppendEmployeeCell(out, cell, cell.area.columns, cell.area.rows);
  }
  out += u"</tr></table><br><hr/>";
  slip::AppendTail(out, footerLines, adText);
  return out;
}
