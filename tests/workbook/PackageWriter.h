#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

// Writes small zip packages for the reader tests: hand-made .xlsx and .ods parts, written
// the way odd writers do, without any spreadsheet library in between.
using PackagePart = std::pair<QString, QByteArray>;  // part name, content
bool WritePackage(const QString &path, const std::vector<PackagePart> &parts);

// A minimal .xlsx around the given parts: one worksheet per sheet XML (named Sheet1, ...),
// relationship targets as the caller writes them. Extra parts (sharedStrings, styles) are
// added when non-empty.
struct XlsxParts {
  std::vector<QByteArray> sheets;  // <worksheet> documents
  QByteArray sharedStrings;        // <sst> document
  QByteArray styles;               // <styleSheet> document
  QByteArray workbookExtra;        // inside <workbook>, before <sheets> (workbookPr)
  QString targetPrefix = QStringLiteral("worksheets/");  // e.g. "/xl/worksheets/", "worksheets\\"
  std::vector<QString> sheetStates;                      // "hidden", "veryHidden" or "" per sheet
};
bool WriteXlsx(const QString &path, const XlsxParts &parts);

// A <worksheet> document around the given <sheetData> rows and anything after them.
QByteArray SheetXml(const QByteArray &rows, const QByteArray &after = QByteArray());

// An .ods package around the given <office:spreadsheet> content (tables).
bool WriteOds(const QString &path, const QByteArray &tables,
              const QByteArray &automaticStyles = QByteArray());
