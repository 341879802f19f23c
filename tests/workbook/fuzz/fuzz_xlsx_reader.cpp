#include <cstddef>
#include <cstdint>

#include "FuzzPackage.h"
#include "FuzzRead.h"
#include "workbook/XlsxReader.h"
#include "workbook/ZipArchive.h"

namespace {
void readPackage(const void *data, std::size_t size) {
  ZipArchive zip;
  QString reason;
  if (!zip.openMemory(data, size, reason)) return;
  std::vector<Worksheet> sheets;
  if (ReadXlsxPackage(zip, sheets, reason)) TouchEverything(sheets);
}

// Anything that is no zip is taken as the worksheet XML of a small package with shared
// strings and styles, which every cell kind can refer to.
QByteArray aroundSheet(const std::uint8_t *data, std::size_t size) {
  const char *rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  return MakePackage({
      {"_rels/.rels", QByteArray("<Relationships><Relationship Id=\"r\" Type=\"") + rels +
                          "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<workbook><workbookPr/><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       QByteArray("<Relationships><Relationship Id=\"rId1\" Type=\"") + rels +
           "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/sharedStrings.xml",
       "<sst><si><t>a</t></si><si><r><t>b</t></r><rPh><t>c</t></rPh></si></sst>"},
      {"xl/styles.xml",
       "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
       "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf "
       "numFmtId=\"7\"/></cellXfs></styleSheet>"},
      {"xl/worksheets/sheet1.xml",
       QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))},
  });
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
    readPackage(data, size);
  } else {
    const QByteArray package = aroundSheet(data, size);
    readPackage(package.constData(), static_cast<std::size_t>(package.size()));
  }
  return 0;
}
