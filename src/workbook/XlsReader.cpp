#include "XlsReader.h"

#include <QFileInfo>
#include <exception>

#include "BiffGlobals.h"
#include "BiffSheetReader.h"
#include "OleCompoundFile.h"
#include "WorkbookErrors.h"

namespace {
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
    // Excel 5 module sheets hold macros, not cells; later versions no longer list them.
    if (entry.kind == BiffSheetEntry::Kind::VisualBasicModule) continue;
    Worksheet sheet(entry.name, entry.hidden);
    sheet.setDate1904(globals.date1904);
    if (entry.kind != BiffSheetEntry::Kind::Chart &&
        !ReadBiffSheet(stream, entry.offset, globals, decoder, budget, sheet)) {
      reason = ReasonDamaged();
      return false;
    }
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
      case OleCompoundFile::OpenResult::NotCompoundFile: reason = ReasonNotAWorkbook(); return false;
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
