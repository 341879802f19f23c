// libFuzzer target for the .xls reader: any bytes (OLE2 containers, bare BIFF files) must be
// read or refused, never crash, hang or allocate without bound.
#include <cstddef>
#include <cstdint>

#include "FuzzRead.h"
#include "workbook/XlsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::vector<Worksheet> sheets;
  QString reason;
  if (ReadXlsWorkbookBytes(data, size, sheets, reason)) TouchEverything(sheets);
  return 0;
}
