#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "ReadLimits.h"

class Worksheet;
class ZipArchive;
struct XlsxBook;

// Maps shared string indices to a worksheet's own string pool; kept across the sheets of a
// workbook so that each sheet costs only the strings it uses.
class SharedStringSlots {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  void begin(size_t stringCount) {
    for (size_t i : touched_) slots_[i] = kNone;
    touched_.clear();
    if (slots_.size() != stringCount) slots_.assign(stringCount, kNone);
  }
  std::uint32_t &slot(size_t index) {
    if (slots_[index] == kNone) touched_.push_back(index);
    return slots_[index];
  }

 private:
  std::vector<std::uint32_t> slots_;
  std::vector<size_t> touched_;
};

// Streams one worksheet part (<sheetData> and <mergeCells>) into the sheet, which it leaves
// unfinished. Costs memory only for the cells that hold a value.
bool ReadXlsxSheet(const ZipArchive &zip, qint64 index, const XlsxBook &book, ReadBudget &budget,
                   SharedStringSlots &stringSlots, Worksheet &sheet, QString &reason);

// "B3" -> row 3, column 2; false for anything that is no cell reference within the sheet.
bool ParseCellReference(const char *text, int &row, int &column);
