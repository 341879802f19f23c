#pragma once

#include <QString>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "WorkbookErrors.h"
#include "Worksheet.h"

// Thrown from deep inside a reader when the file needs more than a read limit allows; reason
// names the limit.
struct ReadLimitHit : std::runtime_error {
  explicit ReadLimitHit(QString why)
      : std::runtime_error("workbook exceeds the read limits"), reason(std::move(why)) {}
  QString reason;
};

// Runs one read: whatever a reader raises ends here as a reason, and a failed read leaves no
// sheets behind. Readers keep their own bounds; an allocation that still fails is reported,
// not thrown on.
template <typename Read>
bool GuardedRead(std::vector<Worksheet> &sheets, QString &reason, Read read) {
  sheets.clear();
  try {
    if (read()) return true;
  } catch (const ReadLimitHit &hit) {
    reason = hit.reason;
  } catch (const std::bad_alloc &) {
    reason = ReasonOutOfMemory();
  } catch (const std::length_error &) {
    reason = ReasonOutOfMemory();
  } catch (const std::exception &) {
    reason = ReasonDamaged();
  }
  sheets.clear();
  if (reason.isEmpty()) reason = ReasonDamaged();
  return false;
}
