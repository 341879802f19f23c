#pragma once

#include <QString>
#include <vector>

#include "Worksheet.h"

class ZipArchive;

// Reads an Office Open XML workbook (.xlsx, .xlsm, .xltx, Strict OOXML) from an opened zip
// package into finished worksheets, in workbook order; chart sheets are left out, hidden
// sheets kept. On failure: false and a reason from WorkbookErrors.h.
bool ReadXlsxPackage(const ZipArchive &zip, std::vector<Worksheet> &sheets, QString &reason);
// Whether the package is an Office Open XML package (by its part names).
bool IsXlsxPackage(const ZipArchive &zip);
