#pragma once

#include <vector>

#include "workbook/CellText.h"
#include "workbook/SheetLayout.h"
#include "workbook/SpreadsheetInstance.h"
#include "workbook/Worksheet.h"

// What a caller does with a workbook once read: every cell's text and merge state within the
// first 64 × 64 positions of the used range (bounded, so a huge range costs the fuzzer
// nothing), and the layout analysis.
inline void TouchEverything(const std::vector<Worksheet> &sheets) {
  for (const Worksheet &sheet : sheets) {
    for (const Worksheet::Entry &e : sheet.cells()) (void)CellValueText(sheet, e.value);
    const int lastRow = std::min(sheet.usedLastRow(), sheet.usedFirstRow() + 64);
    const int lastColumn = std::min(sheet.usedLastColumn(), sheet.usedFirstColumn() + 64);
    for (int r = sheet.usedFirstRow(); r <= lastRow; ++r)
      for (int c = sheet.usedFirstColumn(); c <= lastColumn; ++c) {
        (void)CellValueText(sheet, sheet.value(r, c));
        (void)sheet.mergeArea(r, c);
      }
  }
  // The layout analysis of every sheet: its searches cost what a sheet holds, whatever its
  // used range.
  SpreadsheetInstance book(QString(), sheets);
  for (int i = 1; i <= book.worksheetCount(); ++i) {
    book.activate(i);
    const SheetLayout layout = AnalyseSheetLayout(book, QStringLiteral("fuzz"));
    QString address;
    (void)GetRowEmail(book, layout.FirstDataRowNumber, address);
  }
}
