#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "BiffStrings.h"
#include "NumberFormat.h"
#include "ReadLimits.h"

// One BOUNDSHEET entry: a sheet of the workbook in tab order.
struct BiffSheetEntry {
  enum class Kind { Worksheet, MacroSheet, Chart, VisualBasicModule };
  QString name;
  bool hidden = false;  // hidden or very hidden
  Kind kind = Kind::Worksheet;
  std::uint32_t offset = 0;  // of the sheet's BOF record in the stream
};

// What the workbook globals substream says about the whole workbook.
struct BiffGlobals {
  int version = 8;  // 8 for BIFF8, 5 for BIFF5/BIFF7, 2-4 for the single-sheet files
  bool date1904 = false;
  std::vector<QString> sharedStrings;
  // Per XF index (BIFF2: per format index): what its number format makes of a number.
  std::vector<NumberFormatKind> xfKinds;
  std::vector<BiffSheetEntry> sheets;
  std::size_t end = 0;  // where the globals substream ends in the stream
  // Encryption: where the FILEPASS record's body lies (Encrypted status); set decrypted to
  // read a stream whose records were decrypted in place.
  std::size_t filePassOffset = 0, filePassSize = 0;
  bool decrypted = false;
};

enum class BiffStatus { Ok, UnsupportedVersion, Encrypted, Damaged };

// Reads the globals substream at the start of a Workbook/Book stream. The decoder is set to
// the workbook's code page for the 8-bit strings of BIFF5. Throws ReadLimitHit when the
// shared strings exceed the budget.
BiffStatus ReadBiffGlobals(const QByteArray &stream, CodePageDecoder &decoder, ReadBudget &budget,
                           BiffGlobals &globals);
// The same for a BIFF2-4 file, whose one substream holds formats and cells together.
BiffStatus ReadLegacyBiffFormats(const QByteArray &stream, CodePageDecoder &decoder,
                                 BiffGlobals &globals);
