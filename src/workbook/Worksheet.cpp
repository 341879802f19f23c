#include "Worksheet.h"

#include <algorithm>
#include <cstdint>
#ifdef __linux__
#include <sys/mman.h>
#endif

#include "ReadLimits.h"

namespace {
constexpr int kMaxRow = SheetLimits::kRows;
constexpr int kMaxColumn = SheetLimits::kColumns;
// Blocks up to this many cells are indexed cell by cell, up to this many indexed cells in all;
// beyond that only a few very large blocks are kept (a hostile file may merge a whole sheet).
constexpr qint64 kIndexedBlockCells = 4096;
constexpr qint64 kIndexedCellsBudget = 1'000'000;
constexpr size_t kMaxLargeMerges = 64;

quint64 cellKey(int row, int column) {
  return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(column);
}

qint64 area(const MergeArea &m) { return static_cast<qint64>(m.rows) * m.columns; }

bool overlaps(const MergeArea &a, const MergeArea &b) {
  return a.top <= b.bottom() && b.top <= a.bottom() && a.left <= b.right() && b.left <= a.right();
}
}  // namespace

Worksheet::Worksheet(QString name, bool hidden) : name_(std::move(name)), hidden_(hidden) {}

std::uint32_t Worksheet::addString(const QString &text) {
  strings_.push_back(text);
  return static_cast<std::uint32_t>(strings_.size() - 1);
}

void Worksheet::reserveCells(size_t count) {
  cells_.reserve(count);
#ifdef __linux__
  // A large store is filled page by page: huge pages spare most of the page faults, which
  // cost more than the filling itself on virtual machines. Only the pages touched are used.
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(cells_.data());
  const std::uintptr_t end = begin + cells_.capacity() * sizeof(Entry);
  const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1), last = end & ~(kHuge - 1);
  if (last > first) madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#endif
}

void Worksheet::setCell(int row, int column, CellValue value) {
  if (row < 1 || column < 1 || row > kMaxRow || column > kMaxColumn) return;
  if (value.isEmpty()) return;
  if ((value.type == CellValue::Type::Text || value.type == CellValue::Type::Error) &&
      (value.text >= strings_.size() || strings_[value.text].isEmpty()))
    return;
  cells_.push_back(Entry{row, column, value});
}

void Worksheet::setNumber(int row, int column, double v) {
  setCell(row, column, CellValue{CellValue::Type::Number, v, 0});
}

void Worksheet::setCurrency(int row, int column, double v) {
  setCell(row, column, CellValue{CellValue::Type::Currency, v, 0});
}

void Worksheet::setDate(int row, int column, double serial) {
  setCell(row, column, CellValue{CellValue::Type::Date, serial, 0});
}

void Worksheet::setBoolean(int row, int column, bool v) {
  setCell(row, column, CellValue{CellValue::Type::Boolean, v ? 1.0 : 0.0, 0});
}

void Worksheet::setText(int row, int column, const QString &text) {
  if (text.isEmpty()) return;
  setCell(row, column, CellValue{CellValue::Type::Text, 0, addString(text)});
}

void Worksheet::setError(int row, int column, const QString &code) {
  if (code.isEmpty()) return;
  setCell(row, column, CellValue{CellValue::Type::Error, 0, addString(code)});
}

void Worksheet::addMerge(int top, int left, int bottom, int right) {
  if (static_cast<qint64>(merges_.size()) >= ReadLimits::kMerges) return;
  if (top > bottom) std::swap(top, bottom);
  if (left > right) std::swap(left, right);
  top = std::max(top, 1);
  left = std::max(left, 1);
  bottom = std::min(bottom, kMaxRow);
  right = std::min(right, kMaxColumn);
  if (top > bottom || left > right || (top == bottom && left == right)) return;
  merges_.push_back(MergeArea{top, left, bottom - top + 1, right - left + 1});
}

void Worksheet::sortCells() {
  // Row-major order; for duplicates the value added last wins (the sort is stable).
  auto before = [](const Entry &a, const Entry &b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  };
  // Readers mostly deliver strictly increasing cells: one pass then settles both questions.
  auto notBefore = [&](const Entry &a, const Entry &b) { return !before(a, b); };
  if (std::adjacent_find(cells_.begin(), cells_.end(), notBefore) == cells_.end()) return;
  if (!std::is_sorted(cells_.begin(), cells_.end(), before))
    std::stable_sort(cells_.begin(), cells_.end(), before);
  size_t out = 0;
  for (size_t i = 0; i < cells_.size(); ++i) {
    if (out > 0 && cells_[out - 1].row == cells_[i].row &&
        cells_[out - 1].column == cells_[i].column)
      cells_[out - 1] = cells_[i];
    else if (out++ != i)  // a sorted store without duplicates is left unwritten
      cells_[out - 1] = cells_[i];
  }
  cells_.resize(out);
}

void Worksheet::keepMerges() {
  // Overlapping blocks are a fault of the file: the very large blocks are decided first, then
  // the others in file order; a block that overlaps one already kept is dropped. Every check
  // costs the block's own cells or the few large blocks, never all blocks kept so far.
  mergeByCell_.clear();
  largeMerges_.clear();
  std::stable_partition(merges_.begin(), merges_.end(),
                        [](const MergeArea &m) { return area(m) > kIndexedBlockCells; });
  std::vector<MergeArea> large, kept;
  qint64 indexed = 0;
  for (const MergeArea &m : merges_) {
    const bool isLarge = area(m) > kIndexedBlockCells;
    if (std::any_of(large.begin(), large.end(), [&](const MergeArea &k) { return overlaps(m, k); }))
      continue;
    if (isLarge) {
      if (large.size() < kMaxLargeMerges) large.push_back(m);
      continue;
    }
    if (indexed + area(m) > kIndexedCellsBudget) continue;
    bool clash = false;
    for (int r = m.top; r <= m.bottom() && !clash; ++r)
      for (int c = m.left; c <= m.right() && !clash; ++c)
        clash = mergeByCell_.contains(cellKey(r, c));
    if (clash) continue;
    for (int r = m.top; r <= m.bottom(); ++r)
      for (int c = m.left; c <= m.right(); ++c) mergeByCell_.insert(cellKey(r, c), 0);
    indexed += area(m);
    kept.push_back(m);
  }
  kept.insert(kept.end(), large.begin(), large.end());
  std::sort(kept.begin(), kept.end(), [](const MergeArea &a, const MergeArea &b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
  merges_.swap(kept);
  mergeByCell_.clear();
  // Most cells of a sheet lie outside every block: the blocks' bounding box answers them.
  if (!merges_.empty()) {
    int top = merges_[0].top, left = merges_[0].left, bottom = merges_[0].bottom(),
        right = merges_[0].right();
    for (const MergeArea &m : merges_) {
      top = std::min(top, m.top), left = std::min(left, m.left);
      bottom = std::max(bottom, m.bottom()), right = std::max(right, m.right());
    }
    mergeBox_ = MergeArea{top, left, bottom - top + 1, right - left + 1};
  }
  for (std::uint32_t i = 0; i < merges_.size(); ++i) {
    const MergeArea &m = merges_[i];
    if (area(m) > kIndexedBlockCells) {
      largeMerges_.push_back(i);
      continue;
    }
    for (int r = m.top; r <= m.bottom(); ++r)
      for (int c = m.left; c <= m.right(); ++c) mergeByCell_.insert(cellKey(r, c), i);
  }
}

void Worksheet::finish() {
  sortCells();
  keepMerges();

  indexRows();
  // Cells hidden under a block (not its top-left) read as empty: drop them. Each block costs
  // the rows present in it, not a look-up per cell of the sheet.
  bool dropped = false;
  for (const MergeArea &m : merges_) {
    auto r = std::lower_bound(rows_.begin(), rows_.end(), m.top,
                              [](const RowSpan &s, int value) { return s.row < value; });
    for (; r != rows_.end() && r->row <= m.bottom(); ++r) {
      auto begin = cells_.begin() + r->begin, end = cells_.begin() + r->end;
      auto c = std::lower_bound(begin, end, m.left,
                                [](const Entry &e, int value) { return e.column < value; });
      for (; c != end && c->column <= m.right(); ++c)
        if (c->row != m.top || c->column != m.left) c->value = CellValue{}, dropped = true;
    }
  }
  if (dropped) {
    std::erase_if(cells_, [](const Entry &e) { return e.value.isEmpty(); });
    indexRows();
  }

  bool any = false;
  auto include = [&](int top, int left, int bottom, int right) {
    if (!any) {
      firstRow_ = top, firstColumn_ = left, lastRow_ = bottom, lastColumn_ = right;
      any = true;
      return;
    }
    firstRow_ = std::min(firstRow_, top);
    firstColumn_ = std::min(firstColumn_, left);
    lastRow_ = std::max(lastRow_, bottom);
    lastColumn_ = std::max(lastColumn_, right);
  };
  for (const RowSpan &r : rows_)  // cells are sorted: a row's first and last cell bound it
    include(r.row, cells_[r.begin].column, r.row, cells_[r.end - 1].column);
  for (const MergeArea &m : merges_) include(m.top, m.left, m.bottom(), m.right());
  if (!any) firstRow_ = firstColumn_ = lastRow_ = lastColumn_ = 1;
}

void Worksheet::indexRows() {
  rows_.clear();
  for (std::uint32_t i = 0; i < cells_.size(); ++i) {
    if (rows_.empty() || rows_.back().row != cells_[i].row)
      rows_.push_back(RowSpan{cells_[i].row, i, i + 1});
    else
      rows_.back().end = i + 1;
  }
}

const Worksheet::Entry *Worksheet::find(int row, int column) const {
  if (rows_.empty()) return nullptr;
  // Rows and the cells of a row are mostly consecutive: try the slot the number points at
  // before searching.
  auto r = rows_.begin();
  const qint64 rowSlot = static_cast<qint64>(row) - rows_.front().row;
  if (rowSlot >= 0 && rowSlot < static_cast<qint64>(rows_.size()) && rows_[rowSlot].row == row) {
    r += rowSlot;
  } else {
    r = std::lower_bound(rows_.begin(), rows_.end(), row,
                         [](const RowSpan &s, int value) { return s.row < value; });
    if (r == rows_.end() || r->row != row) return nullptr;
  }
  auto begin = cells_.begin() + r->begin;
  auto end = cells_.begin() + r->end;
  const qint64 cellSlot = static_cast<qint64>(column) - begin->column;
  if (cellSlot >= 0 && cellSlot < end - begin && begin[cellSlot].column == column)
    return &begin[cellSlot];
  auto c = std::lower_bound(begin, end, column,
                            [](const Entry &e, int value) { return e.column < value; });
  if (c == end || c->column != column) return nullptr;
  return &*c;
}

std::span<const Worksheet::Entry> Worksheet::rowCells(int row) const {
  auto r = std::lower_bound(rows_.begin(), rows_.end(), row,
                            [](const RowSpan &s, int value) { return s.row < value; });
  if (r == rows_.end() || r->row != row) return {};
  return std::span<const Entry>(cells_.data() + r->begin, r->end - r->begin);
}

CellValue Worksheet::value(int row, int column) const {
  const Entry *e = find(row, column);
  return e ? e->value : CellValue{};
}

MergeArea Worksheet::mergeArea(int row, int column) const {
  if (!merges_.empty() && row >= mergeBox_.top && row <= mergeBox_.bottom() &&
      column >= mergeBox_.left && column <= mergeBox_.right()) {
    auto it = mergeByCell_.constFind(cellKey(row, column));
    if (it != mergeByCell_.constEnd()) return merges_[*it];
    for (std::uint32_t index : largeMerges_) {
      const MergeArea &m = merges_[index];
      if (row >= m.top && row <= m.bottom() && column >= m.left && column <= m.right()) return m;
    }
  }
  return MergeArea{row, column, 1, 1};
}
