#include "XlsxSheetReader.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "CellText.h"
#include "WorkbookErrors.h"
#include "Worksheet.h"
#include "XlsxParts.h"
#include "XmlParser.h"
#include "ZipArchive.h"

namespace {
constexpr int kMaxRow = SheetLimits::kRows;
constexpr int kMaxColumn = SheetLimits::kColumns;

bool parseNumber(const std::string &text, double &value) {
  const char *begin = text.data();
  const char *end = begin + text.size();
  while (begin < end && (*begin == ' ' || *begin == '\n' || *begin == '\r' || *begin == '\t'))
    ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\n' || end[-1] == '\r' || end[-1] == '\t'))
    --end;
  if (begin < end && *begin == '+') ++begin;
  // Plain decimals of up to 15 digits ("1234.56") are n / 10^k: both exact doubles, and the
  // division rounds correctly, which is what from_chars gives; it serves everything else.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char *p = begin + (begin < end && *begin == '-');
  long long n = 0;
  int digits = 0, decimals = -1;
  for (; p < end && digits <= 15; ++p) {
    if (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p - '0');
      ++digits;
      if (decimals >= 0) ++decimals;
    } else if (*p == '.' && decimals < 0) {
      decimals = 0;
    } else {
      break;
    }
  }
  if (p == end && digits >= 1 && digits <= 15) {
    value = static_cast<double>(n) / kPowers[decimals > 0 ? decimals : 0];
    if (*begin == '-') value = -value;
    return true;
  }
  const auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

class SheetHandler : public XmlHandler {
 public:
  SheetHandler(const XlsxBook &book, ReadBudget &budget, SharedStringSlots &stringSlots,
               Worksheet &sheet)
      : book_(book), budget_(budget), slots_(stringSlots), sheet_(sheet) {
    slots_.begin(book.sharedStrings.size());
    wantText(false);
  }

  void startElement(const char *name, const char **attributes) override {
    switch (name[0]) {
      case 'c':
        if (name[1] == 0 && inSheetData_) startCell(attributes);
        break;
      case 'v':
        if (name[1] == 0 && inCell_) {
          capture_ = true;
          hasValue_ = true;
          wantText(true);
        }
        break;
      case 'i':
        if (std::strcmp(name, "is") == 0 && inCell_) inInline_ = true;
        break;
      case 't':
        if (name[1] == 0 && inInline_ && phonetic_ == 0) {
          capture_ = true;
          hasInline_ = true;
          wantText(true);
        }
        break;
      case 'r':
        if (std::strcmp(name, "row") == 0 && inSheetData_) {
          const long long r = XmlInteger(XmlAttribute(attributes, "r"), -1);
          row_ = r >= 1 && r <= kMaxRow ? static_cast<int>(r) : row_ + 1;
          column_ = 0;
        } else if (std::strcmp(name, "rPh") == 0) {
          ++phonetic_;
        }
        break;
      case 's':
        if (std::strcmp(name, "sheetData") == 0) {
          inSheetData_ = true;
          row_ = 0;
        }
        break;
      case 'm':
        if (std::strcmp(name, "mergeCell") == 0) addMerge(XmlAttribute(attributes, "ref"));
        break;
      default:
        break;
    }
  }

  void endElement(const char *name) override {
    switch (name[0]) {
      case 'c':
        if (name[1] == 0 && inCell_) endCell();
        break;
      case 'v':
        if (name[1] == 0) capture_ = false, wantText(false);
        break;
      case 't':
        if (name[1] == 0 && inInline_) capture_ = false, wantText(false);
        break;
      case 'i':
        if (std::strcmp(name, "is") == 0) inInline_ = false;
        break;
      case 'r':
        if (std::strcmp(name, "rPh") == 0 && phonetic_ > 0) --phonetic_;
        break;
      case 's':
        if (std::strcmp(name, "sheetData") == 0) inSheetData_ = false;
        break;
      default:
        break;
    }
  }

  void characters(const char *text, int length) override {
    if (!capture_) return;
    std::string &target = inInline_ ? inline_ : value_;
    // Refused as it arrives, before any conversion: a cell holds at most 32,767 characters,
    // which a number or a string index writes in as many bytes, a text in at most seven each.
    const bool isText = inInline_ || type_ == 'i' || type_ == 'f' || type_ == 'e';
    const std::int64_t limit = isText ? ReadLimits::kCellXmlBytes : ReadLimits::kCellChars;
    if (static_cast<std::int64_t>(target.size()) + length > limit) return fail(ReasonCellTooLong());
    target.append(text, static_cast<size_t>(length));
  }

 private:
  void startCell(const char **attributes) {
    inCell_ = true;
    hasValue_ = hasInline_ = false;
    value_.clear();
    inline_.clear();
    type_ = 'n';
    style_ = 0;
    int r = 0, c = 0;
    const char *ref = nullptr;
    for (const char **a = attributes; *a; a += 2) {
      const char *attr = XmlLocalName(a[0]);
      if (attr[0] == 'r' && attr[1] == 0)
        ref = a[1];
      else if (attr[0] == 't' && attr[1] == 0)
        type_ = typeCode(a[1]);
      else if (attr[0] == 's' && attr[1] == 0)
        style_ = XmlInteger(a[1], 0);
    }
    skip_ = false;
    if (ref) {
      // A reference that names no cell of a sheet (beyond XFD1048576, or garbage): skipped.
      skip_ = !ParseCellReference(ref, r, c);
      if (!skip_) cellRow_ = r, column_ = c;
    } else {
      cellRow_ = row_ > 0 ? row_ : 1;
      ++column_;
    }
  }

  static char typeCode(const char *t) {
    if (std::strcmp(t, "s") == 0) return 's';
    if (std::strcmp(t, "inlineStr") == 0) return 'i';
    if (std::strcmp(t, "str") == 0) return 'f';
    if (std::strcmp(t, "b") == 0) return 'b';
    if (std::strcmp(t, "e") == 0) return 'e';
    if (std::strcmp(t, "d") == 0) return 'd';
    return 'n';
  }

  void endCell() {
    inCell_ = false;
    if (skip_ || (!hasValue_ && !hasInline_))
      return;  // also a styled blank, or a formula never calculated
    if (column_ < 1 || column_ > kMaxColumn) return;
    if (!budget_.takeCell()) return fail(ReasonTooManyCells());
    switch (type_) {
      case 's': {
        const long long i = XmlInteger(value_.c_str(), -1);
        if (book_.stringsAdopted) {
          if (i < 0 || i >= static_cast<long long>(book_.adoptedStrings)) return;
          sheet_.setCell(cellRow_, column_,
                         CellValue{CellValue::Type::Text, 0, static_cast<std::uint32_t>(i)});
          return;
        }
        if (i < 0 || i >= static_cast<long long>(book_.sharedStrings.size())) return;
        std::uint32_t &slot = slots_.slot(static_cast<size_t>(i));
        if (slot == SharedStringSlots::kNone)
          slot = sheet_.addString(book_.sharedStrings[static_cast<size_t>(i)]);
        sheet_.setCell(cellRow_, column_, CellValue{CellValue::Type::Text, 0, slot});
        return;
      }
      case 'i':
        return setText(hasInline_ ? inline_ : value_, false);
      case 'f':
        return setText(value_, false);
      case 'e':
        return setText(value_, true);
      case 'b':
        sheet_.setBoolean(cellRow_, column_, value_ == "1" || value_ == "true");
        return;
      case 'd': {
        QDateTime dt =
            QDateTime::fromString(QString::fromUtf8(value_.c_str()).trimmed(), Qt::ISODate);
        if (!dt.isValid()) {
          const QTime t =
              QTime::fromString(QString::fromUtf8(value_.c_str()).trimmed(), Qt::ISODate);
          if (!t.isValid()) return;
          sheet_.setDate(cellRow_, column_, t.msecsSinceStartOfDay() / 86400000.0);
          return;
        }
        sheet_.setDate(cellRow_, column_, DateTimeToSerial(dt, book_.date1904));
        return;
      }
      default: {
        double v = 0;
        if (!parseNumber(value_, v)) return;
        switch (book_.formatKind(style_)) {
          case NumberFormatKind::Date:
            sheet_.setDate(cellRow_, column_, v);
            return;
          case NumberFormatKind::Currency:
            sheet_.setCurrency(cellRow_, column_, v);
            return;
          case NumberFormatKind::Number:
            sheet_.setNumber(cellRow_, column_, v);
            return;
        }
      }
    }
  }

  void setText(const std::string &utf8, bool error) {
    if (utf8.empty()) return;
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (!error) DecodeXlsxEscapes(text);
    if (text.size() > ReadLimits::kCellChars) return fail(ReasonCellTooLong());
    if (!budget_.takeString(text.size())) return fail(ReasonTooMuchText());
    if (error) return sheet_.setError(cellRow_, column_, text.trimmed());
    sheet_.setText(cellRow_, column_, text);
  }

  void addMerge(const char *ref) {
    if (!ref) return;
    const char *colon = std::strchr(ref, ':');
    if (!colon) return;
    const std::string first(ref, colon);
    int r1, c1, r2, c2;
    if (!ParseCellReference(first.c_str(), r1, c1) || !ParseCellReference(colon + 1, r2, c2))
      return;
    if (!budget_.takeMerge()) return fail(ReasonTooManyMerges());
    sheet_.addMerge(r1, c1, r2, c2);
  }

  const XlsxBook &book_;
  ReadBudget &budget_;
  SharedStringSlots &slots_;
  Worksheet &sheet_;
  bool inSheetData_ = false, inCell_ = false, inInline_ = false, capture_ = false;
  bool hasValue_ = false, hasInline_ = false, skip_ = false;
  int phonetic_ = 0;
  int row_ = 0, column_ = 0, cellRow_ = 0;
  char type_ = 'n';
  long long style_ = 0;
  std::string value_, inline_;
};
}  // namespace

bool ParseCellReference(const char *text, int &row, int &column) {
  const char *p = text;
  if (*p == '$') ++p;
  long long c = 0;
  for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
    c = c * 26 + ((*p & 0x1F));
    if (c > kMaxColumn) return false;
  }
  if (*p == '$') ++p;
  long long r = 0;
  const char *digits = p;
  for (; *p >= '0' && *p <= '9'; ++p) {
    r = r * 10 + (*p - '0');
    if (r > kMaxRow) return false;
  }
  if (*p || p == digits || c < 1 || r < 1) return false;
  row = static_cast<int>(r);
  column = static_cast<int>(c);
  return true;
}

bool ReadXlsxSheet(const ZipArchive &zip, qint64 index, const XlsxBook &book, ReadBudget &budget,
                   SharedStringSlots &stringSlots, Worksheet &sheet, QString &reason) {
  // Compressed sheet XML takes at least about 4 bytes per value cell: reserving that much
  // (within the allowance) spares growing the store; the pages are touched only when used.
  const auto cells =
      static_cast<size_t>(std::min<qint64>(zip.compressedSize(index) / 4, budget.cells));
  sheet.reserveCells(cells);
  // A sheet uses no more strings than it has cells; growing the pool cost as many page faults
  // as the strings themselves.
  sheet.reserveStrings(std::min(cells, book.sharedStrings.size()));
  SheetHandler handler(book, budget, stringSlots, sheet);
  XmlParser parser(handler);
  return parser.parsePart(zip, index, ReadLimits::kLargePartBytes, reason);
}
