#include "OdsReader.h"

#include <QDateTime>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "CellText.h"
#include "ReadLimits.h"
#include "WorkbookErrors.h"
#include "XmlParser.h"
#include "ZipArchive.h"

namespace {
constexpr long long kMaxRow = SheetLimits::kRows;
constexpr long long kMaxColumn = SheetLimits::kColumns;

bool is(const char *name, const char *local) { return std::strcmp(name, local) == 0; }

long long repeat(const char **attributes, const char *name) {
  const long long n = XmlInteger(XmlAttribute(attributes, name), 1);
  return n < 1 ? 1 : n;
}

// "PT12H30M15.5S", "P1DT2H": a duration as a fraction of days.
bool parseDuration(const char *text, double &days) {
  if (!text) return false;
  const char *p = text;
  bool negative = false;
  if (*p == '-') negative = true, ++p;
  if (*p++ != 'P') return false;
  double total = 0;
  bool timePart = false, any = false;
  while (*p) {
    if (*p == 'T') {
      timePart = true;
      ++p;
      continue;
    }
    char *end = nullptr;
    const double v = std::strtod(p, &end);
    if (end == p || !*end) return false;
    switch (*end) {
      case 'D':
        total += v;
        break;
      case 'H':
        total += v / 24;
        break;
      case 'M':
        if (!timePart) return false;
        total += v / 1440;
        break;
      case 'S':
        total += v / 86400;
        break;
      default:
        return false;
    }
    any = true;
    p = end + 1;
  }
  if (!any || !std::isfinite(total)) return false;
  days = negative ? -total : total;
  return true;
}

bool parseDate(const char *text, double &serial) {
  if (!text) return false;
  const QString s = QString::fromUtf8(text).trimmed();
  QDateTime dt;
  if (s.contains(QLatin1Char('T'))) {
    dt = QDateTime::fromString(s, Qt::ISODateWithMs);
  } else {
    const QDate d = QDate::fromString(s, Qt::ISODate);
    if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
  }
  if (!dt.isValid()) return false;
  serial = DateTimeToSerial(dt, false);
  return true;
}

class ContentHandler : public XmlHandler {
 public:
  ContentHandler(std::vector<Worksheet> &sheets, ReadBudget &budget)
      : sheets_(sheets), budget_(budget) {}

  void startElement(const char *name, const char **attributes) override {
    if (skipDepth_ > 0) {
      ++skipDepth_;
      return;
    }
    if (inCell_) return startInCell(name, attributes);
    if (is(name, "table-cell") || is(name, "covered-table-cell")) {
      if (inTable_) startCell(attributes);
    } else if (is(name, "table-row")) {
      rowRepeat_ = repeat(attributes, "number-rows-repeated");
      column_ = 1;
      rowCells_.clear();
      rowMerges_.clear();
    } else if (is(name, "table")) {
      startTable(attributes);
    } else if (is(name, "style")) {
      const char *styleName = XmlAttribute(attributes, "name");
      const char *family = XmlAttribute(attributes, "family");
      styleName_ =
          styleName && family && is(family, "table") ? QString::fromUtf8(styleName) : QString();
    } else if (is(name, "table-properties")) {
      const char *display = XmlAttribute(attributes, "display");
      if (!styleName_.isEmpty() && display && is(display, "false"))
        hiddenStyles_.insert(styleName_);
    }
  }

  void endElement(const char *name) override {
    if (skipDepth_ > 0) {
      --skipDepth_;
      return;
    }
    if (inCell_) {
      if (is(name, "table-cell") || is(name, "covered-table-cell")) return endCell();
      if ((is(name, "p") || is(name, "h")) && paragraphDepth_ > 0 && --paragraphDepth_ == 0)
        ++paragraphs_;
      return;
    }
    if (is(name, "table-row") && inTable_) {
      endRow();
    } else if (is(name, "table") && inTable_) {
      sheets_.back().finish();
      inTable_ = false;
    }
  }

  void characters(const char *text, int length) override {
    if (inCell_ && inParagraph() && skipDepth_ == 0) append(text, static_cast<size_t>(length));
  }

 private:
  struct PendingCell {
    long long column;
    long long count;
    CellValue value;
    QString text;
  };
  struct PendingMerge {
    long long column, rows, columns;
  };

  bool inParagraph() const { return paragraphDepth_ > 0; }

  // A cell's text, refused as it arrives once it is longer than a cell holds: 32,767
  // characters take at most three UTF-8 bytes each.
  void append(const char *text, size_t length) {
    if (text_.size() + length > static_cast<size_t>(3 * ReadLimits::kCellChars))
      return fail(ReasonCellTooLong());
    text_.append(text, length);
  }

  void startTable(const char **attributes) {
    if (sheets_.size() >= static_cast<size_t>(ReadLimits::kSheets))
      return fail(ReasonTooManySheets());
    const char *tableName = XmlAttribute(attributes, "name");
    const char *style = XmlAttribute(attributes, "style-name");
    const bool hidden = style && hiddenStyles_.contains(QString::fromUtf8(style));
    sheets_.emplace_back(QString::fromUtf8(tableName ? tableName : ""), hidden);
    inTable_ = true;
    row_ = 1;
  }

  void startCell(const char **attributes) {
    inCell_ = true;
    paragraphs_ = 0;
    paragraphDepth_ = 0;
    text_.clear();
    cellRepeat_ = repeat(attributes, "number-columns-repeated");
    const long long spanRows = repeat(attributes, "number-rows-spanned");
    const long long spanColumns = repeat(attributes, "number-columns-spanned");
    if ((spanRows > 1 || spanColumns > 1) && column_ <= kMaxColumn) {
      if (!budget_.takeMerge()) return fail(ReasonTooManyMerges());
      rowMerges_.push_back(PendingMerge{column_, spanRows, spanColumns});
    }
    valueType_.clear();
    value_ = CellValue{};
    const char *type = XmlAttribute(attributes, "value-type");
    const char *calcType = nullptr;
    for (const char **a = attributes; *a; a += 2)
      if (std::strncmp(a[0], "calcext:", 8) == 0 && is(XmlLocalName(a[0]), "value-type"))
        calcType = a[1];
    if (!type) return;
    valueType_ = type;
    if (calcType && is(calcType, "error")) valueType_ = "error";
    double v = 0;
    if (is(type, "float") || is(type, "percentage") || is(type, "currency")) {
      char *end = nullptr;
      const char *text = XmlAttribute(attributes, "value");
      if (text) v = std::strtod(text, &end);
      if (text && end != text && std::isfinite(v))
        value_ = CellValue{
            is(type, "currency") ? CellValue::Type::Currency : CellValue::Type::Number, v};
    } else if (is(type, "date")) {
      if (parseDate(XmlAttribute(attributes, "date-value"), v))
        value_ = CellValue{CellValue::Type::Date, v};
    } else if (is(type, "time")) {
      if (parseDuration(XmlAttribute(attributes, "time-value"), v))
        value_ = CellValue{CellValue::Type::Date, v};
    } else if (is(type, "boolean")) {
      const char *b = XmlAttribute(attributes, "boolean-value");
      value_ = CellValue{CellValue::Type::Boolean, b && is(b, "true") ? 1.0 : 0.0};
    }
  }

  void startInCell(const char *name, const char **attributes) {
    if (is(name, "annotation") || is(name, "note")) {
      skipDepth_ = 1;
    } else if (is(name, "p") || is(name, "h")) {
      if (paragraphs_ > 0 && paragraphDepth_ == 0) append("\n", 1);
      ++paragraphDepth_;
    } else if (inParagraph() && is(name, "s")) {
      const long long n = std::min<long long>(repeat(attributes, "c"), 1000);
      static const std::string spaces(1000, ' ');
      append(spaces.data(), static_cast<size_t>(n));
    } else if (inParagraph() && is(name, "tab")) {
      append("\t", 1);
    } else if (inParagraph() && is(name, "line-break")) {
      append("\n", 1);
    } else if (inParagraph()) {
      return;  // spans and links: their text belongs to the paragraph
    } else {
      skipDepth_ = 1;  // anything else in a cell (drawings, ...) holds no cell text
    }
  }

  void endCell() {
    inCell_ = false;
    const long long first = column_;
    column_ += cellRepeat_;
    if (first > kMaxColumn) return;
    if (value_.isEmpty()) {
      if (valueType_ != "string" && valueType_ != "error") return;
      if (text_.empty()) return;
      PendingCell cell{first, cellRepeat_, CellValue{},
                       QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size()))};
      if (cell.text.size() > ReadLimits::kCellChars) return fail(ReasonCellTooLong());
      cell.value.type = valueType_ == "error" ? CellValue::Type::Error : CellValue::Type::Text;
      rowCells_.push_back(std::move(cell));
      return;
    }
    rowCells_.push_back(PendingCell{first, cellRepeat_, value_, QString()});
  }

  void endRow() {
    const long long first = row_;
    row_ += rowRepeat_;
    // Refuse a row repeated past the allowance before expanding any of it.
    long long perRow = 0;
    for (const PendingCell &cell : rowCells_)
      perRow += std::max(0LL, std::min(cell.column + cell.count - 1, kMaxColumn) - cell.column + 1);
    const long long rows = std::max(0LL, std::min(row_ - 1, kMaxRow) - first + 1);
    if (perRow > 0 && perRow > budget_.cells / std::max(rows, 1LL))
      return fail(ReasonTooManyCells());
    for (long long r = first; r < row_ && r <= kMaxRow && !stopped(); ++r) {
      for (const PendingCell &cell : rowCells_) {
        std::uint32_t pooled = 0;
        const bool text =
            cell.value.type == CellValue::Type::Text || cell.value.type == CellValue::Type::Error;
        if (text) {
          if (!budget_.takeString(cell.text.size())) return fail(ReasonTooMuchText());
          pooled = sheets_.back().addString(cell.text);
        }
        for (long long c = cell.column; c < cell.column + cell.count && c <= kMaxColumn; ++c) {
          if (!budget_.takeCell()) return fail(ReasonTooManyCells());
          CellValue v = cell.value;
          if (text) v.text = pooled;
          sheets_.back().setCell(static_cast<int>(r), static_cast<int>(c), v);
        }
      }
      for (const PendingMerge &m : rowMerges_) {
        if (r > first && !budget_.takeMerge()) return fail(ReasonTooManyMerges());
        sheets_.back().addMerge(static_cast<int>(r), static_cast<int>(m.column),
                                static_cast<int>(std::min(r + m.rows - 1, kMaxRow)),
                                static_cast<int>(std::min(m.column + m.columns - 1, kMaxColumn)));
      }
      if (rowCells_.empty() && rowMerges_.empty()) break;  // empty repeats cost nothing
    }
  }

  std::vector<Worksheet> &sheets_;
  ReadBudget &budget_;
  bool inTable_ = false;
  QSet<QString> hiddenStyles_;
  QString styleName_;
  long long row_ = 1, rowRepeat_ = 1, column_ = 1, cellRepeat_ = 1;
  bool inCell_ = false;
  int paragraphs_ = 0, paragraphDepth_ = 0, skipDepth_ = 0;
  std::string valueType_, text_;
  CellValue value_;
  std::vector<PendingCell> rowCells_;
  std::vector<PendingMerge> rowMerges_;
};
}  // namespace

bool IsOdsPackage(const ZipArchive &zip) {
  const qint64 mimetype = zip.find(QStringLiteral("mimetype"));
  if (mimetype >= 0) {
    QByteArray type;
    QString ignored;
    if (zip.readAll(mimetype, 256, type, ignored))
      return type.trimmed().startsWith("application/vnd.oasis.opendocument.spreadsheet");
  }
  return zip.find(QStringLiteral("content.xml")) >= 0;
}

bool ReadOdsPackage(const ZipArchive &zip, std::vector<Worksheet> &sheets, QString &reason) {
  sheets.clear();
  const qint64 content = zip.find(QStringLiteral("content.xml"));
  if (content < 0) {
    reason = ReasonNotAWorkbook();
    return false;
  }
  ReadBudget budget;
  ContentHandler handler(sheets, budget);
  XmlParser parser(handler);
  if (!parser.parsePart(zip, content, ReadLimits::kLargePartBytes, reason)) {
    sheets.clear();
    return false;
  }
  for (Worksheet &sheet : sheets) sheet.finish();  // a table left open by a truncated file
  return true;
}
