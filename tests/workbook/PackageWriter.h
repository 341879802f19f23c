#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

// Writes small zip packages for the reader tests: hand-made .xlsx and .ods parts, written
// the way odd writers do, without any spreadsheet library in between.
using PackagePart = std::pair<QString, QByteArray>;  // part name, content
// A part far larger than a test would hold in memory, made as libzip compresses it: head,
// then fillBytes copies of fill, then tail.
struct GeneratedPart {
  QString name;
  QByteArray head;
  char fill = '0';
  qint64 fillBytes = 0;
  QByteArray tail;
};
// Generated parts replace the parts of the same name.
bool WritePackage(const QString &path, const std::vector<PackagePart> &parts,
                  const std::vector<GeneratedPart> &generated = {});

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
bool WriteXlsx(const QString &path, const XlsxParts &parts,
               const std::vector<GeneratedPart> &generated = {});

// A <worksheet> document around the given <sheetData> rows and anything after them.
QByteArray SheetXml(const QByteArray &rows, const QByteArray &after = QByteArray());

// An .ods package around the given <office:spreadsheet> content (tables).
bool WriteOds(const QString &path, const QByteArray &tables,
              const QByteArray &automaticStyles = QByteArray());
