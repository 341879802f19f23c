#include "PackageWriter.h"

#include <zip.h>

#include <QFile>
#include <algorithm>
#include <cstring>

namespace {
struct Generator {
  GeneratedPart part;
  qint64 position = 0;
  qint64 size() const { return part.head.size() + part.fillBytes + part.tail.size(); }
};

// The bytes of [from, from + length) of the generated part.
void generatedBytes(const GeneratedPart &part, qint64 from, char *out, qint64 length) {
  const qint64 head = part.head.size(), fillEnd = head + part.fillBytes;
  for (qint64 done = 0; done < length;) {
    const qint64 at = from + done;
    qint64 n;
    if (at < head) {
      n = std::min(length - done, head - at);
      memcpy(out + done, part.head.constData() + at, static_cast<size_t>(n));
    } else if (at < fillEnd) {
      n = std::min(length - done, fillEnd - at);
      memset(out + done, part.fill, static_cast<size_t>(n));
    } else {
      n = std::min(length - done, fillEnd + part.tail.size() - at);
      memcpy(out + done, part.tail.constData() + (at - fillEnd), static_cast<size_t>(n));
    }
    done += n;
  }
}

zip_int64_t generate(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command) {
  auto *g = static_cast<Generator *>(state);
  switch (command) {
    case ZIP_SOURCE_OPEN:
      g->position = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      const qint64 n = std::min<qint64>(static_cast<qint64>(length), g->size() - g->position);
      generatedBytes(g->part, g->position, static_cast<char *>(data), n);
      g->position += n;
      return n;
    }
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_STAT: {
      auto *st = static_cast<zip_stat_t *>(data);
      zip_stat_init(st);
      st->size = static_cast<zip_uint64_t>(g->size());
      st->mtime = 0;
      st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
      return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR: {
      int *e = static_cast<int *>(data);
      e[0] = e[1] = 0;
      return 2 * sizeof(int);
    }
    case ZIP_SOURCE_FREE:
      delete g;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      return -1;
  }
}
}  // namespace

bool WritePackage(const QString &path, const std::vector<PackagePart> &parts,
                  const std::vector<GeneratedPart> &generated) {
  int error = 0;
  zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) return false;
  auto fail = [&](zip_source_t *source) {
    zip_source_free(source);
    zip_discard(archive);
    return false;
  };
  std::vector<QByteArray> keep;  // libzip reads the buffers when it closes the archive
  keep.reserve(parts.size());
  for (const PackagePart &part : parts) {
    if (std::any_of(generated.begin(), generated.end(),
                    [&](const GeneratedPart &g) { return g.name == part.first; }))
      continue;
    keep.push_back(part.second);
    zip_source_t *source = zip_source_buffer(archive, keep.back().constData(),
                                             static_cast<zip_uint64_t>(keep.back().size()), 0);
    if (!source ||
        zip_file_add(archive, part.first.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0)
      return fail(source);
  }
  for (const GeneratedPart &part : generated) {
    zip_source_t *source = zip_source_function(archive, generate, new Generator{part});
    const zip_int64_t index =
        source ? zip_file_add(archive, part.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8)
               : -1;
    if (index < 0) return fail(source);
    // Deflate at its best: a gigabyte of one byte shrinks to about a megabyte.
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
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

bool WriteXlsx(const QString &path, const XlsxParts &p,
               const std::vector<GeneratedPart> &generated) {
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
  return WritePackage(path, parts, generated);
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
