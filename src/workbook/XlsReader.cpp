#include "XlsReader.h"

#include "WorkbookErrors.h"

bool ReadXlsWorkbook(const QString &, std::vector<Worksheet> &, QString &reason) {
  reason = ReasonUnsupportedVersion();
  return false;
}
