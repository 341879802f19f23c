// libFuzzer target: any bytes given to the .xls reader must be read or refused, never crash,
// hang or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "workbook/XlsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::vector<Worksheet> sheets;
  QString reason;
  if (ReadXlsWorkbookBytes(data, size, sheets, reason)) {
    // Touch what a caller reads, so lookups on what was built are exercised too.
    for (const Worksheet &sheet : sheets) {
      for (const Worksheet::Entry &e : sheet.cells()) (void)sheet.mergeArea(e.row, e.column);
      (void)sheet.value(sheet.usedLastRow(), sheet.usedLastColumn());
    }
  }
  return 0;
}
