#pragma once

#include <QByteArray>
#include <QString>

// How much of a file's beginning ForeignFileReason looks at.
inline constexpr qint64 kForeignFileSniffBytes = 4096;

// The reason for refusing a file that is neither an OLE2 nor a zip workbook, by what its
// beginning shows it to be: HR and ERP systems export comma-separated text, HTML tables and
// XML Spreadsheet 2003 documents under a .xls name, and the user needs to know to save them
// as a workbook. Anything else is no workbook.
QString ForeignFileReason(const QByteArray &head);
