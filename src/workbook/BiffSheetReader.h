#pragma once

#include <QByteArray>

#include "BiffGlobals.h"
#include "BiffStrings.h"
#include "Worksheet.h"

// Reads the cells and merged blocks of one worksheet substream (from its BOF to the matching
// EOF; embedded chart substreams are skipped) into the sheet. False when no BOF is found at
// the offset or the substream ends before its EOF. Throws ReadLimitHit past the budget.
struct BiffSheetInfo {
  bool dialog = false;  // an Excel 5 dialog sheet rather than a worksheet
  std::size_t end = 0;  // where the substream ends in the stream
};
bool ReadBiffSheet(const QByteArray &stream, std::uint32_t offset, const BiffGlobals &globals,
                   CodePageDecoder &decoder, ReadBudget &budget, Worksheet &sheet,
                   BiffSheetInfo &info);
