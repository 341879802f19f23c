#pragma once

#include <QString>
#include <vector>

#include "Worksheet.h"

// Reads a workbook file into finished worksheets, the format decided by the content: a zip
// package is .xlsx/.xlsm or .ods by its parts, an OLE2 compound file goes to the .xls reader,
// anything else is no workbook. On failure: false and a reason from WorkbookErrors.h.
bool ReadWorkbookFile(const QString &path, std::vector<Worksheet> &sheets, QString &reason);
// The same for a zip package held in memory (the fuzz targets read this way).
bool ReadZipWorkbookBytes(const void *data, size_t size, std::vector<Worksheet> &sheets,
                          QString &reason);
