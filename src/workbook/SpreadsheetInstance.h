#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "CellValue.h"
#include "Worksheet.h"

// An opened workbook with its active worksheet: the operations the import, the layout analysis
// and the payslip builders read through. Worksheets, rows and columns are 1-based; every cell
// and range operation acts on the active worksheet.
class SpreadsheetInstance {
 public:
  SpreadsheetInstance(QString path, std::vector<Worksheet> sheets);

  const QString &path() const { return path_; }

  int worksheetCount() const { return static_cast<int>(sheets_.size()); }
  void activate(int index);  // out-of-range indices are ignored
  QString worksheetName(int index) const;
  const Worksheet &worksheet(int index) const { return sheets_.at(static_cast<size_t>(index - 1)); }

  int activeIndex() const { return active_; }
  const Worksheet &activeSheet() const { return worksheet(active_); }
  QString activeSheetName() const { return activeSheet().name(); }

  // Used range of the active worksheet: counts, and where it begins and ends.
  int usedRowCount() const { return activeSheet().usedRowCount(); }
  int usedColumnCount() const { return activeSheet().usedColumnCount(); }
  int usedLastRow() const { return activeSheet().usedLastRow(); }
  int usedLastColumn() const { return activeSheet().usedLastColumn(); }

  CellValue cellValue(int row, int column) const { return activeSheet().value(row, column); }
  // The value-to-text rule applied to the cell's value.
  QString cellText(int row, int column) const;
  bool cellMerged(int row, int column) const { return activeSheet().isMerged(row, column); }
  MergeArea mergeArea(int row, int column) const { return activeSheet().mergeArea(row, column); }
  int mergeAreaRows(int row, int column) const { return mergeArea(row, column).rows; }
  int mergeAreaColumns(int row, int column) const { return mergeArea(row, column).columns; }

 private:
  QString path_;
  std::vector<Worksheet> sheets_;
  int active_ = 1;
};
