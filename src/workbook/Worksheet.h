#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <vector>

#include "CellValue.h"

// A merged block: top-left corner and size (1 × 1 for a cell that is not merged).
struct MergeArea {
  int top = 1;
  int left = 1;
  int rows = 1;
  int columns = 1;
  bool merged() const { return rows > 1 || columns > 1; }
  int bottom() const { return top + rows - 1; }
  int right() const { return left + columns - 1; }
};

// One worksheet as read from a file: a sparse store of the cells that hold a value plus the
// merged blocks. Memory grows with the cells present, never with the declared dimensions.
// Rows and columns are 1-based.
class Worksheet {
 public:
  explicit Worksheet(QString name = QString(), bool hidden = false);

  const QString &name() const { return name_; }
  bool hidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  // 1904 date system: serials count from 1904-01-01.
  bool date1904() const { return date1904_; }
  void setDate1904(bool on) { date1904_ = on; }

  // Filling, for readers and tests. Cells may come in any order; a later value for the same
  // cell replaces the earlier one. finish() must be called once all cells are in.
  std::uint32_t addString(const QString &text);
  void setCell(int row, int column, CellValue value);
  void setNumber(int row, int column, double value);
  void setCurrency(int row, int column, double value);
  void setDate(int row, int column, double serial);
  void setBoolean(int row, int column, bool value);
  void setText(int row, int column, const QString &text);
  void setError(int row, int column, const QString &code);
  void addMerge(int top, int left, int bottom, int right);
  void finish();
  void reserveCells(size_t count);
  void reserveStrings(size_t count) { strings_.reserve(count); }
  // Takes a whole string table over as the pool, before any string is added: a reader whose
  // cells index that table then refers to it directly instead of copying what it uses.
  void adoptStrings(std::vector<QString> strings) { strings_ = std::move(strings); }

  // Used range: the bounding box of the value cells together with the merged blocks; an empty
  // sheet is 1 × 1 at A1.
  int usedFirstRow() const { return firstRow_; }
  int usedFirstColumn() const { return firstColumn_; }
  int usedLastRow() const { return lastRow_; }
  int usedLastColumn() const { return lastColumn_; }
  int usedRowCount() const { return lastRow_ - firstRow_ + 1; }
  int usedColumnCount() const { return lastColumn_ - firstColumn_ + 1; }

  // The stored value; Empty outside the cells present and for the hidden cells of a merged block.
  CellValue value(int row, int column) const;
  const QString &string(std::uint32_t index) const { return strings_[index]; }
  size_t stringCount() const { return strings_.size(); }
  // The merged block that holds the cell (1 × 1 when it is not merged).
  MergeArea mergeArea(int row, int column) const;
  bool isMerged(int row, int column) const { return mergeArea(row, column).merged(); }
  const std::vector<MergeArea> &merges() const { return merges_; }

  // Non-empty cells in row-major order.
  struct Entry {
    int row;
    int column;
    CellValue value;
  };
  const std::vector<Entry> &cells() const { return cells_; }
  // The non-empty cells of one row, in column order.
  std::span<const Entry> rowCells(int row) const;

 private:
  const Entry *find(int row, int column) const;
  void sortCells();
  void keepMerges();
  void indexRows();

  QString name_;
  bool hidden_ = false;
  bool date1904_ = false;
  std::vector<QString> strings_;
  std::vector<Entry> cells_;
  // Per row present: the row number and the range of its cells in cells_.
  struct RowSpan {
    int row;
    std::uint32_t begin;
    std::uint32_t end;
  };
  std::vector<RowSpan> rows_;
  std::vector<MergeArea> merges_;
  // Lookup of the block that covers a cell: every cell of the ordinary blocks by key, the few
  // very large blocks by a scan.
  QHash<quint64, std::uint32_t> mergeByCell_;
  std::vector<std::uint32_t> largeMerges_;
  MergeArea mergeBox_;  // bounding box of all blocks
  int firstRow_ = 1, firstColumn_ = 1, lastRow_ = 1, lastColumn_ = 1;
};
