#include "XlsxReader.h"

#include <QHash>
#include <cstring>

#include "ReadLimits.h"
#include "WorkbookErrors.h"
#include "XlsxParts.h"
#include "XlsxSheetReader.h"
#include "XmlParser.h"
#include "ZipArchive.h"

namespace {
struct SheetEntry {
  QString name;
  QString relationshipId;
  bool hidden = false;
};

class WorkbookHandler : public XmlHandler {
 public:
  WorkbookHandler(std::vector<SheetEntry> &sheets, bool &date1904)
      : sheets_(sheets), date1904_(date1904) {}
  void startElement(const char *name, const char **attributes) override {
    ++depth_;
    if (std::strcmp(name, "sheet") == 0) {
      if (sheets_.size() >= static_cast<size_t>(ReadLimits::kSheets))
        return fail(ReasonTooManySheets());
      const char *sheetName = XmlAttribute(attributes, "name");
      const char *id = XmlAttribute(attributes, "id");
      const char *state = XmlAttribute(attributes, "state");
      sheets_.push_back(SheetEntry{QString::fromUtf8(sheetName ? sheetName : ""),
                                   QString::fromUtf8(id ? id : ""),
                                   state && std::strcmp(state, "visible") != 0});
    } else if (depth_ == 2 && std::strcmp(name, "workbookPr") == 0) {
      // Only the workbook's own properties: Excel also writes an x15:workbookPr into the
      // extension list (chartTrackingRefBase), which says nothing about the date system.
      date1904_ = XmlBoolean(XmlAttribute(attributes, "date1904"));
    }
  }
  void endElement(const char *) override { --depth_; }

 private:
  int depth_ = 0;
  std::vector<SheetEntry> &sheets_;
  bool &date1904_;
};

// The workbook part: the package's officeDocument relationship; when _rels/.rels is missing,
// damaged or names no part the package holds (Excel repairs such files), the main part of
// [Content_Types].xml, else the usual name.
QString workbookPart(const ZipArchive &zip) {
  std::vector<XlsxRelationship> rels;
  QString ignored;
  if (ReadXlsxRelationships(zip, QString(), rels, ignored))
    for (const XlsxRelationship &r : rels)
      if (TypeIs(r.type, "officeDocument") && zip.find(r.target) >= 0) return r.target;
  const QString main = XlsxMainPartByContentType(zip);
  if (!main.isEmpty() && zip.find(main) >= 0) return main;
  for (const char *candidate : {"xl/workbook.xml", "xl/workbook.bin", "workbook.xml"})
    if (zip.find(QLatin1String(candidate)) >= 0) return QLatin1String(candidate);
  return {};
}

// A part named by a relationship of the workbook, found even when the writer left the
// relationship out but the part has its usual name.
qint64 findPart(const ZipArchive &zip, const std::vector<XlsxRelationship> &rels, const char *type,
                const QString &usual) {
  for (const XlsxRelationship &r : rels)
    if (TypeIs(r.type, type)) {
      const qint64 index = zip.find(r.target);
      if (index >= 0) return index;
    }
  return zip.find(usual);
}
}  // namespace

bool IsXlsxPackage(const ZipArchive &zip) {
  // By the part names alone: reading them is the reader's job, with its reasons.
  for (const char *part : {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml"})
    if (zip.find(QLatin1String(part)) >= 0) return true;
  return false;
}

bool ReadXlsxPackage(const ZipArchive &zip, std::vector<Worksheet> &sheets, QString &reason) {
  sheets.clear();
  reason.clear();
  const QString workbook = workbookPart(zip);
  if (workbook.isEmpty()) {
    reason = ReasonNotAWorkbook();
    return false;
  }
  if (workbook.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) {
    reason = ReasonUnsupportedVersion();  // the binary .xlsb workbook
    return false;
  }
  std::vector<XlsxRelationship> rels;
  if (!ReadXlsxRelationships(zip, workbook, rels, reason)) return false;

  std::vector<SheetEntry> entries;
  XlsxBook book;
  {
    WorkbookHandler handler(entries, book.date1904);
    XmlParser parser(handler);
    if (!parser.parsePart(zip, zip.find(workbook), ReadLimits::kSmallPartBytes, reason))
      return false;
  }
  const QString folder = workbook.left(workbook.lastIndexOf(QLatin1Char('/')) + 1);
  const qint64 styles = findPart(zip, rels, "styles", folder + QStringLiteral("styles.xml"));
  if (styles >= 0 && !ReadXlsxStyles(zip, styles, book, reason)) return false;
  ReadBudget budget;
  const qint64 strings =
      findPart(zip, rels, "sharedStrings", folder + QStringLiteral("sharedStrings.xml"));
  if (strings >= 0 && !ReadXlsxSharedStrings(zip, strings, book, budget, reason)) return false;

  QHash<QString, const XlsxRelationship *> byId;
  for (const XlsxRelationship &r : rels)
    if (!byId.contains(r.id)) byId.insert(r.id, &r);
  SharedStringSlots stringSlots;
  for (const SheetEntry &entry : entries) {
    const XlsxRelationship *rel = byId.value(entry.relationshipId, nullptr);
    // Chart, dialog and macro sheets are no worksheets.
    if (rel && !TypeIs(rel->type, "worksheet")) continue;
    Worksheet sheet(entry.name, entry.hidden);
    sheet.setDate1904(book.date1904);
    const qint64 index = rel ? zip.find(rel->target) : -1;
    if (entries.size() == 1 && index >= 0) {
      // One worksheet: it may keep the whole table, sparing a second pool of the same strings.
      book.adoptedStrings = book.sharedStrings.size();
      book.stringsAdopted = true;
      sheet.adoptStrings(std::move(book.sharedStrings));
      book.sharedStrings.clear();
    }
    if (index >= 0 && !ReadXlsxSheet(zip, index, book, budget, stringSlots, sheet, reason))
      return false;
    sheet.finish();
    sheets.push_back(std::move(sheet));
  }
  return true;
}
