#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "workbook/SpreadsheetInstance.h"

// A worksheet built in memory, for tests that need no file: texts, numbers and merged blocks,
// wrapped into a one-sheet workbook.
class MemorySheet {
 public:
  explicit MemorySheet(const QString &name = QStringLiteral("Sheet1"));

  // Texts from column firstColumn on; an empty text leaves its cell empty.
  MemorySheet &row(int row, const QStringList &texts, int firstColumn = 1);
  MemorySheet &text(int row, int column, const QString &text);
  MemorySheet &number(int row, int column, double value);
  MemorySheet &merge(int top, int left, int bottom, int right);
  // A block in A1 notation, e.g. "A1:D1".
  MemorySheet &merge(const QString &range);
  // Rows from firstRow on, cells separated by '|'; a cell "#5000" is the number 5000.
  MemorySheet &grid(const QStringList &rows, int firstRow = 1, int firstColumn = 1);

  std::unique_ptr<SpreadsheetInstance> workbook(const QString &path = QString());

 private:
  Worksheet sheet_;
};
