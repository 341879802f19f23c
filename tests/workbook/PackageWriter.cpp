#include "PackageWriter.h"

#include <zip.h>

#include <QFile>

bool WritePackage(const QString &path, const std::vector<PackagePart> &parts) {
  int error = 0;
  zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) return false;
  std::vector<QByteArray> keep;  // libzip reads the buffers when it closes the archive
  keep.reserve(parts.size());
  for (const PackagePart &part : parts) {
    keep.push_back(part.second);
    zip_source_t *source = zip_source_buffer(archive, keep.back().constData(),
                                             static_cast<zip_uint64_t>(keep.back().size()), 0);
    if (!source ||
        zip_file_add(archive, part.first.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  return zip_close(archive) == 0;
}

namespace {
const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}  // namespace

QByteArray SheetXml(const QByteArray &rows, const QByteArray &after) {
  return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + kMain +
         "\"><sheetData>" + rows + "</sheetData>" + after + "</worksheet>";
}

bool WriteXlsx(const QString &path, const XlsxParts &p) {
  std::vector<PackagePart> parts;
  QByteArray sheets, rels;
  for (size_t i = 0; i < p.sheets.size(); ++i) {
    const QByteArray n = QByteArray::number(static_cast<int>(i) + 1);
    const QByteArray state = i < p.sheetStates.size() && !p.sheetStates[i].isEmpty()
                                 ? " state=\"" + p.sheetStates[i].toUtf8() + "\""
                                 : QByteArray();
    sheets +=
        "<sheet name=\"Sheet" + n + "\" sheetId=\"" + n + "\"" + state + " r:id=\"rId" + n + "\"/>";
    rels += QByteArray("<Relationship Id=\"rId") + n + "\" Type=\"" + kRel +
            "/worksheet\" Target=\"" + p.targetPrefix.toUtf8() + "sheet" + n + ".xml\"/>";
    parts.push_back({QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), p.sheets[i]});
  }
  if (!p.sharedStrings.isEmpty()) {
    rels += QByteArray("<Relationship Id=\"rIdS\" Type=\"") + kRel +
            "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    parts.push_back({QStringLiteral("xl/sharedStrings.xml"), p.sharedStrings});
  }
  if (!p.styles.isEmpty()) {
    rels += QByteArray("<Relationship Id=\"rIdT\" Type=\"") + kRel +
            "/styles\" Target=\"styles.xml\"/>";
    parts.push_back({QStringLiteral("xl/styles.xml"), p.styles});
  }
  parts.push_back(
      {QStringLiteral("_rels/.rels"),
       QByteArray(
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"") +
           kRel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"});
  parts.push_back({QStringLiteral("xl/workbook.xml"),
                   QByteArray("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRel + "\">" +
                       p.workbookExtra + "<sheets>" + sheets + "</sheets></workbook>"});
  parts.push_back(
      {QStringLiteral("xl/_rels/workbook.xml.rels"),
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           rels + "</Relationships>"});
  return WritePackage(path, parts);
}

bool WriteOds(const QString &path, const QByteArray &tables, const QByteArray &automaticStyles) {
  const QByteArray content =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
      "<office:automatic-styles>" +
      automaticStyles +
      "</office:automatic-styles>"
      "<office:body><office:spreadsheet>" +
      tables + "</office:spreadsheet></office:body></office:document-content>";
  return WritePackage(
      path, {{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
             {QStringLiteral("content.xml"), content}});
}
