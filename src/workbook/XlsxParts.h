#pragma once

#include <QString>
#include <vector>

#include "NumberFormat.h"
#include "ReadLimits.h"

class ZipArchive;

// What every worksheet of an .xlsx package reads through: the shared strings, the number
// format kind of each cell format (cellXfs index), the date system.
struct XlsxBook {
  std::vector<QString> sharedStrings;
  std::vector<NumberFormatKind> formatKinds;
  bool date1904 = false;
  // The only worksheet took sharedStrings over: its cells index its own pool, up to this count.
  bool stringsAdopted = false;
  size_t adoptedStrings = 0;

  NumberFormatKind formatKind(long long xf) const {
    return xf >= 0 && xf < static_cast<long long>(formatKinds.size())
               ? formatKinds[static_cast<size_t>(xf)]
               : NumberFormatKind::Number;
  }
};

// A package relationship with its target resolved to a part name.
struct XlsxRelationship {
  QString id;
  QString type;    // the type URI
  QString target;  // part name from the package root, without a leading "/"
};

// The relationships of a part ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"); none when
// the package has no such part.
bool ReadXlsxRelationships(const ZipArchive &zip, const QString &sourcePart,
                           std::vector<XlsxRelationship> &rels, QString &reason);
// A target as written ("/xl/worksheets/sheet1.xml", "worksheets\sheet1.xml", "../x.xml")
// resolved against the folder of the source part.
QString ResolveXlsxTarget(const QString &sourcePart, const QString &target);
bool TypeIs(const QString &typeUri, const char *suffix);
// The workbook part as [Content_Types].xml names it (an Override of a spreadsheet main content
// type), without the leading "/"; empty when the package says none.
QString XlsxMainPartByContentType(const ZipArchive &zip);

bool ReadXlsxStyles(const ZipArchive &zip, qint64 index, XlsxBook &book, QString &reason);
bool ReadXlsxSharedStrings(const ZipArchive &zip, qint64 index, XlsxBook &book, ReadBudget &budget,
                           QString &reason);
// Undoes the _xHHHH_ escapes of OOXML strings ("_x000D_" is a carriage return).
void DecodeXlsxEscapes(QString &text);
