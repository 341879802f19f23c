#include "WorkbookFile.h"

#include <QFile>
#include <new>

#include "OdsReader.h"
#include "WorkbookErrors.h"
#include "XlsReader.h"
#include "XlsxReader.h"
#include "ZipArchive.h"

namespace {
bool readZip(const ZipArchive &zip, std::vector<Worksheet> &sheets, QString &reason) {
  if (IsXlsxPackage(zip)) return ReadXlsxPackage(zip, sheets, reason);
  if (IsOdsPackage(zip)) return ReadOdsPackage(zip, sheets, reason);
  reason = ReasonNotAWorkbook();
  return false;
}

// Readers keep their own bounds; an allocation that still fails is reported, not thrown on.
template <typename Read>
bool guarded(std::vector<Worksheet> &sheets, QString &reason, Read read) {
  try {
    if (read()) return true;
  } catch (const std::bad_alloc &) {
    reason = ReasonTooLarge();
  } catch (const std::length_error &) {
    reason = ReasonTooLarge();
  }
  sheets.clear();
  if (reason.isEmpty()) reason = ReasonDamaged();
  return false;
}
}  // namespace

bool ReadWorkbookFile(const QString &path, std::vector<Worksheet> &sheets, QString &reason) {
  sheets.clear();
  reason.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    reason = ReasonCannotRead();
    return false;
  }
  const QByteArray magic = file.read(8);
  file.close();
  static const QByteArray ole2("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  // Old single-sheet .xls files (BIFF2-4) carry no OLE2 container, only their records.
  if (magic == ole2 || LooksLikeRawBiff(magic))
    return guarded(sheets, reason, [&] { return ReadXlsWorkbook(path, sheets, reason); });
  if (!magic.startsWith("PK")) {
    reason = ReasonNotAWorkbook();
    return false;
  }
  return guarded(sheets, reason, [&] {
    ZipArchive zip;
    return zip.openFile(path, reason) && readZip(zip, sheets, reason);
  });
}

bool ReadZipWorkbookBytes(const void *data, size_t size, std::vector<Worksheet> &sheets,
                          QString &reason) {
  sheets.clear();
  reason.clear();
  return guarded(sheets, reason, [&] {
    ZipArchive zip;
    return zip.openMemory(data, size, reason) && readZip(zip, sheets, reason);
  });
}
