#pragma once

#include <cstdint>

// The size of a worksheet in the formats read (Excel 2007 and later): rows 1..1048576 and
// columns A..XFD. Cells and blocks beyond are no cells of a sheet.
namespace SheetLimits {
inline constexpr int kRows = 1048576;
inline constexpr int kColumns = 16384;
}  // namespace SheetLimits

// Bounds every reader keeps, whatever a file declares: a hostile or broken file is refused
// before it costs more than these. Together they keep a workbook's reading well below 512 MB.
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
// Characters of all strings of one workbook (UTF-16 code units); every string is also charged
// kStringOverhead for the memory it takes beside its characters.
inline constexpr std::int64_t kStringChars = std::int64_t{128} << 20;
inline constexpr std::int64_t kStringOverhead = 24;
// Characters of one cell (UTF-16 code units), as in Excel: a cell text, shared string or number
// beyond it is a damaged file.
inline constexpr std::int64_t kCellChars = 32'767;
// The bytes in which an XML part may write one such cell: every character may come as a
// seven-byte _xHHHH_ escape. Character data beyond it is refused as it arrives.
inline constexpr std::int64_t kCellXmlBytes = 7 * kCellChars;
}  // namespace ReadLimits

// What is left of a workbook's allowance while its sheets are read.
struct ReadBudget {
  std::int64_t cells = ReadLimits::kCells;
  std::int64_t stringChars = ReadLimits::kStringChars;
  std::int64_t merges = ReadLimits::kWorkbookMerges;
  bool takeCell() { return --cells >= 0; }
  bool takeMerge() { return --merges >= 0; }
  // One string of n characters.
  bool takeString(std::int64_t n) { return (stringChars -= n + ReadLimits::kStringOverhead) >= 0; }
};
