#include <cstddef>
#include <cstdint>

#include "FuzzRead.h"
#include "workbook/OdsReader.h"
#include "workbook/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  ZipArchive zip;
  QString reason;
  if (!zip.openMemory(data, size, reason)) return 0;
  std::vector<Worksheet> sheets;
  if (ReadOdsPackage(zip, sheets, reason)) TouchEverything(sheets);
  return 0;
}
