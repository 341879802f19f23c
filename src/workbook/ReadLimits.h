#pragma once

#include <cstdint>

// Bounds every reader keeps, whatever a file declares: a hostile or broken file is refused
// before it costs more than these.
namespace ReadLimits {
// Value cells of one workbook (about 24 bytes each in memory).
inline constexpr std::int64_t kCells = 4'000'000;
// Merged blocks of one worksheet, and of a whole workbook.
inline constexpr std::int64_t kMerges = 200'000;
inline constexpr std::int64_t kWorkbookMerges = 1'000'000;
// Entries of a shared string table, and cell formats of a style sheet.
inline constexpr std::int64_t kSharedStrings = kCells;
inline constexpr std::int64_t kCellFormats = 1'000'000;
// Worksheets of one workbook.
inline constexpr int kSheets = 4096;
// Entries of a zip package.
inline constexpr std::int64_t kZipEntries = 65'536;
// Decompressed bytes of a worksheet or string table part, and of the small parts
// (workbook, relationships, styles).
inline constexpr std::int64_t kLargePartBytes = std::int64_t{1} << 30;
inline constexpr std::int64_t kSmallPartBytes = std::int64_t{64} << 20;
// Characters of all strings of one workbook (UTF-16 code units).
inline constexpr std::int64_t kStringChars = std::int64_t{256} << 20;
}  // namespace ReadLimits

// What is left of a workbook's allowance while its sheets are read.
struct ReadBudget {
  std::int64_t cells = ReadLimits::kCells;
  std::int64_t stringChars = ReadLimits::kStringChars;
  std::int64_t merges = ReadLimits::kWorkbookMerges;
  bool takeCell() { return --cells >= 0; }
  bool takeMerge() { return --merges >= 0; }
  bool takeChars(std::int64_t n) { return (stringChars -= n) >= 0; }
};
