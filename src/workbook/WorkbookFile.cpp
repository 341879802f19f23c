#include "WorkbookFile.h"

#include <QFile>

#include "ForeignFile.h"
#include "OdsReader.h"
#include "ReadGuard.h"
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
}  // namespace

bool ReadWorkbookFile(const QString &path, std::vector<Worksheet> &sheets, QString &reason) {
  sheets.clear();
  reason.clear();
  QByteArray head;
  {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      reason = ReasonCannotRead();
      return false;
    }
    head = file.read(kForeignFileSniffBytes);
  }
  static const QByteArray ole2("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  // Old single-sheet .xls files (BIFF2-4) carry no OLE2 container, only their records.
  if (head.startsWith(ole2) || LooksLikeRawBiff(head.left(8)))
    return ReadXlsWorkbook(path, sheets, reason);  // guarded within
  if (!head.startsWith("PK")) {
    reason = ForeignFileReason(head);
    return false;
  }
  return GuardedRead(sheets, reason, [&] {
    ZipArchive zip;
    return zip.openFile(path, reason) && readZip(zip, sheets, reason);
  });
}

bool ReadZipWorkbookBytes(const void *data, size_t size, std::vector<Worksheet> &sheets,
                          QString &reason) {
  sheets.clear();
  reason.clear();
  return GuardedRead(sheets, reason, [&] {
    ZipArchive zip;
    return zip.openMemory(data, size, reason) && readZip(zip, sheets, reason);
  });
}
