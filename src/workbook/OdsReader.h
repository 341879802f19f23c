#pragma once

#include <QString>
#include <vector>

#include "Worksheet.h"

class ZipArchive;

// Reads an OpenDocument spreadsheet (.ods) from an opened zip package: the tables of its
// content.xml, in order, with their cells, spans and hidden state. Repeated rows and cells are
// expanded only where they hold a value, within the read budget.
bool ReadOdsPackage(const ZipArchive &zip, std::vector<Worksheet> &sheets, QString &reason);
// Whether the package says it is an OpenDocument spreadsheet, or at least has its content part.
bool IsOdsPackage(const ZipArchive &zip);
