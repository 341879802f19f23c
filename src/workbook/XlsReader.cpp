#include "XlsReader.h"

#include <QFile>
#include <QFileInfo>
#include <exception>

#include "BiffGlobals.h"
#include "BiffSheetReader.h"
#include "OleCompoundFile.h"
#include "WorkbookErrors.h"

namespace {
enum class BiffFileKind { None, Stream, Legacy };

// Whether a file that is no OLE2 container starts with a BIFF BOF record, and its bytes if so.
BiffFileKind RawBiffKind(const QString &path, QByteArray &bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return BiffFileKind::None;
  const QByteArray head = file.peek(4);
  if (head.size() < 4) return BiffFileKind::None;
  const auto *h = reinterpret_cast<const std::uint8_t *>(head.constData());
  const std::uint16_t type = biff::U16(h), length = biff::U16(h + 2);
  if (!biff::IsBof(type) || length < 4 || length > 20) return BiffFileKind::None;
  bytes = file.readAll();
  return type == biff::kBof ? BiffFileKind::Stream : BiffFileKind::Legacy;
}

// A BIFF2-4 file: one worksheet, named after the file as Excel names it.
bool ReadLegacyWorksheet(const QByteArray &stream, const QString &path,
                         std::vector<Worksheet> &sheets, QString &reason) {
  CodePageDecoder decoder;
  ReadBudget budget;
  BiffGlobals globals;
  switch (ReadLegacyBiffFormats(stream, decoder, globals)) {
    case BiffStatus::Ok: break;
    case BiffStatus::UnsupportedVersion: reason = ReasonUnsupportedVersion(); return false;
    case BiffStatus::Encrypted: reason = ReasonPasswordProtected(); return false;
    case BiffStatus::Damaged: reason = ReasonDamaged(); return false;
  }
  Worksheet sheet(QFileInfo(path).completeBaseName().left(31));
  sheet.setDate1904(globals.date1904);
  if (!ReadBiffSheet(stream, 0, globals, decoder, budget, sheet)) {
    reason = ReasonDamaged();
    return false;
  }
  sheet.finish();
  sheets.push_back(std::move(sheet));
  return true;
}

bool ReadWorkbookStream(const QByteArray &stream, std::vector<Worksheet> &sheets,
                        QString &reason) {
  CodePageDecoder decoder;
  ReadBudget budget;
  BiffGlobals globals;
  switch (ReadBiffGlobals(stream, decoder, budget, globals)) {
    case BiffStatus::Ok: break;
    case BiffStatus::UnsupportedVersion: reason = ReasonUnsupportedVersion(); return false;
    case BiffStatus::Encrypted: reason = ReasonPasswordProtected(); return false;
    case BiffStatus::Damaged: reason = ReasonDamaged(); return false;
  }
  if (globals.sheets.size() > static_cast<size_t>(ReadLimits::kSheets)) {
    reason = ReasonTooLarge();
    return false;
  }
  if (globals.sheets.empty()) {
    reason = ReasonDamaged();
    return false;
  }
  std::vector<Worksheet> read;
  read.reserve(globals.sheets.size());
  for (const BiffSheetEntry &entry : globals.sheets) {
    // Chart, macro, module and dialog sheets are no worksheets: the workbook's worksheets are
    // what the callers count and walk, as with the other formats.
    if (entry.kind != BiffSheetEntry::Kind::Worksheet) continue;
    Worksheet sheet(entry.name, entry.hidden);
    sheet.setDate1904(globals.date1904);
    bool dialog = false;
    if (!ReadBiffSheet(stream, entry.offset, globals, decoder, budget, sheet, &dialog)) {
      reason = ReasonDamaged();
      return false;
    }
    if (dialog) continue;
    sheet.finish();
    read.push_back(std::move(sheet));
  }
  sheets = std::move(read);
  return true;
}
}  // namespace

bool ReadXlsWorkbook(const QString &path, std::vector<Worksheet> &sheets, QString &reason) {
  sheets.clear();
  try {
    OleCompoundFile file;
    switch (file.open(path)) {
      case OleCompoundFile::OpenResult::Opened: break;
      case OleCompoundFile::OpenResult::CannotRead: reason = ReasonCannotRead(); return false;
      case OleCompoundFile::OpenResult::NotCompoundFile: {
        QByteArray bytes;
        const BiffFileKind kind = RawBiffKind(path, bytes);
        if (kind == BiffFileKind::None) {
          reason = ReasonNotAWorkbook();
          return false;
        }
        // A bare workbook stream, as some exporters write it, reads like one inside OLE2.
        return kind == BiffFileKind::Stream ? ReadWorkbookStream(bytes, sheets, reason)
                                            : ReadLegacyWorksheet(bytes, path, sheets, reason);
      }
      case OleCompoundFile::OpenResult::Damaged: reason = ReasonDamaged(); return false;
    }
    // An encrypted .xlsx travels as an OLE2 file holding the encrypted package.
    if (file.hasStream(QStringLiteral("EncryptedPackage")) ||
        file.hasStream(QStringLiteral("EncryptionInfo"))) {
      reason = ReasonPasswordProtected();
      return false;
    }
    const QString name = file.hasStream(QStringLiteral("Workbook")) ? QStringLiteral("Workbook")
                         : file.hasStream(QStringLiteral("Book"))   ? QStringLiteral("Book")
                                                                     : QString();
    if (name.isEmpty()) {
      reason = ReasonNotAWorkbook();
      return false;
    }
    // A stream cannot be larger than the file that holds it; a looping sector chain could.
    QByteArray stream;
    if (!file.readStream(name, QFileInfo(path).size(), stream)) {
      reason = ReasonDamaged();
      return false;
    }
    return ReadWorkbookStream(stream, sheets, reason);
  } catch (const BiffTooLarge &) {
    sheets.clear();
    reason = ReasonTooLarge();
    return false;
  } catch (const std::bad_alloc &) {
    sheets.clear();
    reason = ReasonTooLarge();
    return false;
  } catch (const std::exception &) {
    // std::bad_alloc and the reader's own errors: the file is not readable as a workbook.
    sheets.clear();
    reason = ReasonDamaged();
    return false;
  }
}

bool LooksLikeRawBiff(const QByteArray &head) {
  if (head.size() < 4) return false;
  const auto *h = reinterpret_cast<const std::uint8_t *>(head.constData());
  const std::uint16_t length = biff::U16(h + 2);
  return biff::IsBof(biff::U16(h)) && length >= 4 && length <= 20;
}
