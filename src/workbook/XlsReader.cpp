#include "XlsReader.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "BiffDecryption.h"
#include "BiffGlobals.h"
#include "BiffSheetReader.h"
#include "OleCompoundFile.h"
#include "ReadGuard.h"
#include "WorkbookErrors.h"

namespace {
constexpr qint64 kRawBiffBytes = qint64{256} << 20;
// 4 million cells of BIFF8 records take about 60 MB, their strings a few more.
constexpr qint64 kWorkbookStreamBytes = qint64{256} << 20;

bool ReadLegacyWorksheet(const QByteArray &stream, const QString &sheetName,
                         std::vector<Worksheet> &sheets, QString &reason) {
  CodePageDecoder decoder;
  ReadBudget budget;
  BiffGlobals globals;
  switch (ReadLegacyBiffFormats(stream, decoder, globals)) {
    case BiffStatus::Ok:
      break;
    case BiffStatus::UnsupportedVersion:
      reason = ReasonUnsupportedVersion();
      return false;
    case BiffStatus::Encrypted:
      reason = ReasonPasswordProtected();
      return false;
    case BiffStatus::Damaged:
      reason = ReasonDamaged();
      return false;
  }
  Worksheet sheet(sheetName.left(31));
  sheet.setDate1904(globals.date1904);
  BiffSheetInfo info;
  if (!ReadBiffSheet(stream, 0, globals, decoder, budget, sheet, info)) {
    reason = ReasonDamaged();
    return false;
  }
  sheet.finish();
  sheets.push_back(std::move(sheet));
  return true;
}

// An RC4-encrypted stream is decrypted with the password (or Excel's default one) when it
// matches, and read again; any other encryption stays refused.
bool Decrypt(QByteArray &stream, BiffGlobals &globals, const QString &password) {
  const QByteArray filePass =
      stream.mid(qsizetype(globals.filePassOffset), qsizetype(globals.filePassSize));
  const ByteSpan span{reinterpret_cast<const std::uint8_t *>(filePass.constData()),
                      static_cast<std::size_t>(filePass.size())};
  if (!DecryptBiffStream(stream, span, password.isEmpty() ? ExcelDefaultPassword() : password))
    return false;
  globals = BiffGlobals();
  globals.decrypted = true;
  return true;
}

bool ReadWorkbookStream(QByteArray stream, const QString &password, std::vector<Worksheet> &sheets,
                        QString &reason) {
  CodePageDecoder decoder;
  ReadBudget budget;
  BiffGlobals globals;
  BiffStatus status = ReadBiffGlobals(stream, decoder, budget, globals);
  if (status == BiffStatus::Encrypted && globals.version == 8 && Decrypt(stream, globals, password))
    status = ReadBiffGlobals(stream, decoder, budget, globals);
  switch (status) {
    case BiffStatus::Ok:
      break;
    case BiffStatus::UnsupportedVersion:
      reason = ReasonUnsupportedVersion();
      return false;
    case BiffStatus::Encrypted:
      reason = ReasonPasswordProtected();
      return false;
    case BiffStatus::Damaged:
      reason = ReasonDamaged();
      return false;
  }
  if (globals.sheets.size() > static_cast<size_t>(ReadLimits::kSheets)) {
    reason = ReasonTooManySheets();
    return false;
  }
  if (globals.sheets.empty()) {
    reason = ReasonDamaged();
    return false;
  }
  std::vector<Worksheet> read;
  read.reserve(globals.sheets.size());
  // Substreams never share bytes: offsets into the globals or into a sheet already read are a
  // forgery that would have the same bytes parsed again and again.
  std::vector<std::pair<std::size_t, std::size_t>> taken{{0, globals.end}};
  auto overlapsTaken = [&](std::size_t begin, std::size_t end) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const auto &t) { return begin < t.second && t.first < end; });
  };
  for (const BiffSheetEntry &entry : globals.sheets) {
    // Chart, macro, module and dialog sheets are no worksheets: the workbook's worksheets are
    // what the callers count and walk, as with the other formats.
    if (entry.kind != BiffSheetEntry::Kind::Worksheet) continue;
    Worksheet sheet(entry.name, entry.hidden);
    sheet.setDate1904(globals.date1904);
    BiffSheetInfo info;
    if (overlapsTaken(entry.offset, std::size_t{entry.offset} + 1) ||
        !ReadBiffSheet(stream, entry.offset, globals, decoder, budget, sheet, info) ||
        overlapsTaken(entry.offset, info.end)) {
      reason = ReasonDamaged();
      return false;
    }
    taken.emplace_back(entry.offset, info.end);
    if (info.dialog) continue;
    sheet.finish();
    read.push_back(std::move(sheet));
  }
  sheets = std::move(read);
  return true;
}

bool ReadCompoundFile(const OleCompoundFile &file, qint64 fileSize, const QString &password,
                      std::vector<Worksheet> &sheets, QString &reason) {
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
  // The stream is read whole: a workbook within the read limits takes far less. A stream
  // cannot be larger than the file that holds it; a looping sector chain could.
  if (file.streamSize(name) > kWorkbookStreamBytes) {
    reason = ReasonPartTooLarge();
    return false;
  }
  QByteArray stream;
  if (!file.readStream(name, fileSize, stream)) {
    reason = ReasonDamaged();
    return false;
  }
  return ReadWorkbookStream(stream, password, sheets, reason);
}

// A file that is no OLE2 container: a bare BIFF file, or no workbook.
bool ReadRawBiff(const QByteArray &bytes, const QString &sheetName, std::vector<Worksheet> &sheets,
                 QString &reason) {
  if (!LooksLikeRawBiff(bytes.left(4))) {
    reason = ReasonNotAWorkbook();
    return false;
  }
  // A bare workbook stream, as some exporters write it, reads like one inside OLE2.
  if (biff::U16(reinterpret_cast<const std::uint8_t *>(bytes.constData())) == biff::kBof)
    return ReadWorkbookStream(bytes, QString(), sheets, reason);
  return ReadLegacyWorksheet(bytes, sheetName, sheets, reason);
}

bool OpenFailed(OleCompoundFile::OpenResult result, QString &reason) {
  switch (result) {
    case OleCompoundFile::OpenResult::CannotRead:
      reason = ReasonCannotRead();
      return true;
    case OleCompoundFile::OpenResult::Damaged:
      reason = ReasonDamaged();
      return true;
    default:
      return false;
  }
}
}  // namespace

bool ReadXlsWorkbook(const QString &path, std::vector<Worksheet> &sheets, QString &reason,
                     const QString &password) {
  return GuardedRead(sheets, reason, [&] {
    OleCompoundFile file;
    const OleCompoundFile::OpenResult opened = file.open(path);
    if (OpenFailed(opened, reason)) return false;
    if (opened == OleCompoundFile::OpenResult::NotCompoundFile) {
      QFile raw(path);
      if (!raw.open(QIODevice::ReadOnly)) {
        reason = ReasonCannotRead();
        return false;
      }
      if (!LooksLikeRawBiff(raw.peek(4))) {
        reason = ReasonNotAWorkbook();
        return false;
      }
      // BIFF2-4 sheets hold at most 16384 rows: far less than this.
      if (raw.size() > kRawBiffBytes) {
        reason = ReasonPartTooLarge();
        return false;
      }
      // Excel names the one sheet of such a file after the file.
      return ReadRawBiff(raw.readAll(), QFileInfo(path).completeBaseName(), sheets, reason);
    }
    return ReadCompoundFile(file, QFileInfo(path).size(), password, sheets, reason);
  });
}

bool ReadXlsWorkbookBytes(const void *data, size_t size, std::vector<Worksheet> &sheets,
                          QString &reason) {
  return GuardedRead(sheets, reason, [&] {
    OleCompoundFile file;
    const OleCompoundFile::OpenResult opened = file.openMemory(data, size);
    if (OpenFailed(opened, reason)) return false;
    if (opened == OleCompoundFile::OpenResult::NotCompoundFile)
      return ReadRawBiff(QByteArray::fromRawData(static_cast<const char *>(data), qsizetype(size)),
                         QStringLiteral("Sheet1"), sheets, reason);
    return ReadCompoundFile(file, qint64(size), QString(), sheets, reason);
  });
}

bool LooksLikeRawBiff(const QByteArray &head) {
  if (head.size() < 4) return false;
  const auto *h = reinterpret_cast<const std::uint8_t *>(head.constData());
  const std::uint16_t length = biff::U16(h + 2);
  return biff::IsBof(biff::U16(h)) && length >= 4 && length <= 20;
}
