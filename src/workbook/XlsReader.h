#pragma once

#include <QString>
#include <vector>

#include "Worksheet.h"

// Reads an OLE2 compound file: a BIFF8 (Excel 97-2003) or BIFF5 workbook into finished
// worksheets. Also reads the older single-sheet BIFF2-4 files and bare workbook streams,
// which are no OLE2 files. An OLE2 file that holds an encrypted OOXML package, or a workbook
// with a FILEPASS record, fails with the password-protected reason, except an RC4-encrypted
// one that the password opens (by default Excel's own, which Excel opens without asking).
// On failure: false and a reason from WorkbookErrors.h.
bool ReadXlsWorkbook(const QString &path, std::vector<Worksheet> &sheets, QString &reason,
                     const QString &password = QString());
// The same for a file held in memory (the fuzz target reads this way).
bool ReadXlsWorkbookBytes(const void *data, size_t size, std::vector<Worksheet> &sheets,
                          QString &reason);
// Whether the first bytes of a file are those of a bare BIFF file (a BOF record).
bool LooksLikeRawBiff(const QByteArray &head);
