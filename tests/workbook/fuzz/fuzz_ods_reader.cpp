#include <cstddef>
#include <cstdint>

#include "FuzzPackage.h"
#include "FuzzRead.h"
#include "workbook/OdsReader.h"
#include "workbook/ZipArchive.h"

namespace {
void readPackage(const void *data, std::size_t size) {
  ZipArchive zip;
  QString reason;
  if (!zip.openMemory(data, size, reason)) return;
  std::vector<Worksheet> sheets;
  if (ReadOdsPackage(zip, sheets, reason)) TouchEverything(sheets);
}
}  // namespace

// A zip is read as it is; anything else is taken as content.xml of a package.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
    readPackage(data, size);
    return 0;
  }
  const QByteArray package =
      MakePackage({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                   {"content.xml", QByteArray(reinterpret_cast<const char *>(data),
                                              static_cast<qsizetype>(size))}});
  readPackage(package.constData(), static_cast<std::size_t>(package.size()));
  return 0;
}
