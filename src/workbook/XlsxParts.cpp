#include "XlsxParts.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <string>

#include "ReadLimits.h"
#include "WorkbookErrors.h"
#include "XmlParser.h"
#include "ZipArchive.h"

namespace {
class RelationshipsHandler : public XmlHandler {
 public:
  RelationshipsHandler(const QString &source, std::vector<XlsxRelationship> &rels)
      : source_(source), rels_(rels) {}
  void startElement(const char *name, const char **attributes) override {
    if (std::strcmp(name, "Relationship") != 0) return;
    const char *id = XmlAttribute(attributes, "Id");
    const char *type = XmlAttribute(attributes, "Type");
    const char *target = XmlAttribute(attributes, "Target");
    const char *mode = XmlAttribute(attributes, "TargetMode");
    if (!id || !type || !target || (mode && std::strcmp(mode, "External") == 0)) return;
    if (rels_.size() >= static_cast<size_t>(ReadLimits::kZipEntries))
      return fail(ReasonTooManyParts());
    rels_.push_back(XlsxRelationship{QString::fromUtf8(id), QString::fromUtf8(type),
                                     ResolveXlsxTarget(source_, QString::fromUtf8(target))});
  }
  void endElement(const char *) override {}

 private:
  const QString &source_;
  std::vector<XlsxRelationship> &rels_;
};

class ContentTypesHandler : public XmlHandler {
 public:
  void startElement(const char *name, const char **attributes) override {
    if (!mainPart.isEmpty() || std::strcmp(name, "Override") != 0) return;
    const char *part = XmlAttribute(attributes, "PartName");
    const char *type = XmlAttribute(attributes, "ContentType");
    if (!part || !type) return;
    const QLatin1String t(type);
    // .xlsx, .xlsm, .xltx, .xltm (and .xlsb, which the reader then names as such).
    if ((t.startsWith(
             QLatin1String("application/vnd.openxmlformats-officedocument.spreadsheetml.")) ||
         t.startsWith(QLatin1String("application/vnd.ms-excel."))) &&
        (t.endsWith(QLatin1String(".main+xml")) || t.endsWith(QLatin1String(".main"))))
      mainPart = ResolveXlsxTarget(QString(), QString::fromUtf8(part));
  }
  void endElement(const char *) override {}
  QString mainPart;
};

class StylesHandler : public XmlHandler {
 public:
  explicit StylesHandler(XlsxBook &book) : book_(book) {}
  void startElement(const char *name, const char **attributes) override {
    if (std::strcmp(name, "cellXfs") == 0) {
      inCellXfs_ = true;
    } else if (std::strcmp(name, "numFmts") == 0) {
      inNumFmts_ = true;  // the differential formats (dxfs) hold numFmt elements of their own
    } else if (inNumFmts_ && std::strcmp(name, "numFmt") == 0) {
      const char *id = XmlAttribute(attributes, "numFmtId");
      const char *code = XmlAttribute(attributes, "formatCode");
      if (id && code)
        custom_.insert(XmlInteger(id, -1), ClassifyNumberFormat(QString::fromUtf8(code)));
    } else if (inCellXfs_ && std::strcmp(name, "xf") == 0) {
      const char *id = XmlAttribute(attributes, "numFmtId");
      if (static_cast<std::int64_t>(xfFormats_.size()) >= ReadLimits::kCellFormats)
        return fail(ReasonTooManyFormats());
      xfFormats_.push_back(id ? XmlInteger(id, -1) : 0);
    }
  }
  void endElement(const char *name) override {
    if (std::strcmp(name, "cellXfs") == 0) inCellXfs_ = false;
    if (std::strcmp(name, "numFmts") == 0) inNumFmts_ = false;
  }
  void apply() {
    book_.formatKinds.clear();
    book_.formatKinds.reserve(xfFormats_.size());
    for (int id : xfFormats_) {
      // A custom code may redefine a built-in id; the code then decides.
      auto it = custom_.constFind(id);
      book_.formatKinds.push_back(it != custom_.constEnd() ? *it : BuiltinNumberFormatKind(id));
    }
  }

 private:
  XlsxBook &book_;
  bool inCellXfs_ = false;
  bool inNumFmts_ = false;
  QHash<int, NumberFormatKind> custom_;
  std::vector<int> xfFormats_;
};

// <si> holds <t> directly or rich-text runs <r><t>; phonetic runs <rPh> are left out.
class SharedStringsHandler : public XmlHandler {
 public:
  SharedStringsHandler(XlsxBook &book, ReadBudget &budget, qint64 reserveBound)
      : book_(book), budget_(budget), reserveBound_(reserveBound) {
    wantText(false);
  }
  void startElement(const char *name, const char **attributes) override {
    if (std::strcmp(name, "sst") == 0) {
      // The declared count spares growing the table; it is trusted only within what the
      // part's compressed bytes can hold.
      const char *count = XmlAttribute(attributes, "uniqueCount");
      if (!count) count = XmlAttribute(attributes, "count");
      const long long n = XmlInteger(count, 0);
      if (n > 0)
        book_.sharedStrings.reserve(static_cast<size_t>(std::min<qint64>(n, reserveBound_)));
    } else if (std::strcmp(name, "si") == 0) {
      inItem_ = true;
      text_.clear();
    } else if (std::strcmp(name, "rPh") == 0) {
      ++phonetic_;
    } else if (inItem_ && phonetic_ == 0 && std::strcmp(name, "t") == 0) {
      inText_ = true;
      wantText(true);
    }
  }
  void endElement(const char *name) override {
    if (std::strcmp(name, "t") == 0) {
      inText_ = false;
      wantText(false);
    } else if (std::strcmp(name, "rPh") == 0) {
      if (phonetic_ > 0) --phonetic_;
    } else if (std::strcmp(name, "si") == 0) {
      inItem_ = false;
      QString s = QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size()));
      DecodeXlsxEscapes(s);
      if (s.size() > ReadLimits::kCellChars) return fail(ReasonCellTooLong());
      if (!budget_.takeString(s.size()) ||
          static_cast<std::int64_t>(book_.sharedStrings.size()) >= ReadLimits::kSharedStrings)
        return fail(ReasonTooMuchText());
      book_.sharedStrings.push_back(std::move(s));
    }
  }
  void characters(const char *text, int length) override {
    if (!inText_) return;
    // Refused as it arrives: a string longer than a cell holds costs no more than a cell.
    if (static_cast<std::int64_t>(text_.size()) + length > ReadLimits::kCellXmlBytes)
      return fail(ReasonCellTooLong());
    text_.append(text, static_cast<size_t>(length));
  }

 private:
  XlsxBook &book_;
  ReadBudget &budget_;
  bool inItem_ = false;
  bool inText_ = false;
  int phonetic_ = 0;
  qint64 reserveBound_;
  std::string text_;
};

int hexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}
}  // namespace

bool TypeIs(const QString &typeUri, const char *suffix) {
  return typeUri.endsWith(QLatin1Char('/') + QLatin1String(suffix), Qt::CaseInsensitive);
}

QString ResolveXlsxTarget(const QString &sourcePart, const QString &target) {
  QString t = target;
  t.replace(QLatin1Char('\\'), QLatin1Char('/'));
  QString path;
  if (t.startsWith(QLatin1Char('/'))) {
    path = t;
  } else {
    const qsizetype slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    path = (slash >= 0 ? sourcePart.left(slash + 1) : QString()) + t;
  }
  QStringList out;
  for (const QString &segment : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (segment == QLatin1String(".")) continue;
    if (segment == QLatin1String("..")) {
      if (!out.isEmpty()) out.removeLast();
      continue;
    }
    out.append(segment);
  }
  return out.join(QLatin1Char('/'));
}

QString XlsxMainPartByContentType(const ZipArchive &zip) {
  const qint64 index = zip.find(QStringLiteral("[Content_Types].xml"));
  if (index < 0) return {};
  ContentTypesHandler handler;
  XmlParser parser(handler);
  QString reason;
  // A damaged list may still have named the part before the damage.
  parser.parsePart(zip, index, ReadLimits::kSmallPartBytes, reason);
  return handler.mainPart;
}

bool ReadXlsxRelationships(const ZipArchive &zip, const QString &sourcePart,
                           std::vector<XlsxRelationship> &rels, QString &reason) {
  rels.clear();
  QString s = sourcePart;
  s.replace(QLatin1Char('\\'), QLatin1Char('/'));
  const qsizetype slash = s.lastIndexOf(QLatin1Char('/'));
  const QString relsPart =
      s.left(slash + 1) + QStringLiteral("_rels/") + s.mid(slash + 1) + QStringLiteral(".rels");
  const qint64 index = zip.find(relsPart);
  if (index < 0) return true;
  RelationshipsHandler handler(s, rels);
  XmlParser parser(handler);
  return parser.parsePart(zip, index, ReadLimits::kSmallPartBytes, reason);
}

bool ReadXlsxStyles(const ZipArchive &zip, qint64 index, XlsxBook &book, QString &reason) {
  StylesHandler handler(book);
  XmlParser parser(handler);
  if (!parser.parsePart(zip, index, ReadLimits::kSmallPartBytes, reason)) return false;
  handler.apply();
  return true;
}

bool ReadXlsxSharedStrings(const ZipArchive &zip, qint64 index, XlsxBook &book, ReadBudget &budget,
                           QString &reason) {
  SharedStringsHandler handler(
      book, budget, std::min<qint64>(zip.compressedSize(index), ReadLimits::kSharedStrings));
  XmlParser parser(handler);
  return parser.parsePart(zip, index, ReadLimits::kLargePartBytes, reason);
}

void DecodeXlsxEscapes(QString &text) {
  if (!text.contains(QLatin1String("_x"))) return;
  QString out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (text.at(i) == QLatin1Char('_') && i + 6 < n && text.at(i + 1) == QLatin1Char('x') &&
        text.at(i + 6) == QLatin1Char('_')) {
      int code = 0;
      bool ok = true;
      for (int k = 2; k < 6 && ok; ++k) {
        const int h = hexValue(text.at(i + k));
        ok = h >= 0;
        code = code * 16 + h;
      }
      if (ok) {
        out.append(QChar(static_cast<char16_t>(code)));
        i += 6;
        continue;
      }
    }
    out.append(text.at(i));
  }
  text = out;
}
