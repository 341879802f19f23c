#include "CellText.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "Worksheet.h"

namespace {
// The serials that name a day from 0001-01-01 to 9999-12-31; beyond, a date cell reads as its
// number.
constexpr double kFirstSerial = -693593;
constexpr double kLastSerial = 2958465.99999;

// QLocale::decimalPoint() and the short date format are looked up (from the system, for the
// system locale) on every call: kept per thread and refreshed when the default locale changes.
struct DisplayLocale {
  QLocale locale;
  QString decimalPoint = locale.decimalPoint();
  bool plainPoint = decimalPoint == QLatin1String(".");
  // Dates of a sheet repeat: their short date text is kept, up to a bound.
  QHash<qint64, QString> shortDates;
};

DisplayLocale &displayLocale() {
  thread_local DisplayLocale cached;
  const QLocale current;
  if (current != cached.locale) {
    cached.locale = current;
    cached.decimalPoint = current.decimalPoint();
    cached.plainPoint = cached.decimalPoint == QLatin1String(".");
    cached.shortDates.clear();
  }
  return cached;
}

QString withDecimalPoint(QString s, CellTextStyle style) {
  if (style == CellTextStyle::Display && s.contains(QLatin1Char('.'))) {
    const DisplayLocale &display = displayLocale();
    if (!display.plainPoint) s.replace(QLatin1Char('.'), display.decimalPoint);
  }
  return s;
}

// The %.15g text of v when it is a decimal of up to four places below 1e11 (most amounts),
// else nullptr. n / 10^k is the correctly rounded double of that decimal, so the first k that
// gives back v yields v's shortest digits, which are what %.15g prints for up to 15 digits.
char *shortDecimal(double v, char *out) {
  static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
  if (!(std::fabs(v) < 1e11)) return nullptr;
  for (int k = 0; k <= 4; ++k) {
    // Any rounding does: the check below decides. (std::llround is a library call.)
    const double scaled = v * kScale[k];
    const long long n = static_cast<long long>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
    if (static_cast<double>(n) / kScale[k] != v) continue;
    if (n < 0) *out++ = '-';
    char digits[24];
    const int length = static_cast<int>(
        std::to_chars(digits, digits + sizeof digits, n < 0 ? -n : n).ptr - digits);
    if (length <= k) {
      *out++ = '0';
      *out++ = '.';
      for (int i = length; i < k; ++i) *out++ = '0';
      return std::copy(digits, digits + length, out);
    }
    out = std::copy(digits, digits + length - k, out);
    if (k == 0) return out;
    *out++ = '.';
    return std::copy(digits + length - k, digits + length, out);
  }
  return nullptr;
}

QString generalNumber(double v, CellTextStyle style) {
  if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
  if (v == 0) return QStringLiteral("0");  // also -0
  char buffer[48];
  char *end = shortDecimal(v, buffer);
  if (!end) {
    // %.15g is plain notation for magnitudes from 1e-5 up to 1e15 and the spreadsheet's
    // "1.5E+20" beyond.
    end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15).ptr;
    for (char *p = buffer; p < end; ++p)
      if (*p == 'e') *p = 'E';
  }
  const bool point = std::find(buffer, end, '.') != end;
  QString s = QString::fromLatin1(buffer, end - buffer);
  return point ? withDecimalPoint(std::move(s), style) : s;
}

QString currencyNumber(double v, CellTextStyle style) {
  if (!(std::fabs(v) < 1e15)) return generalNumber(v, style);
  QString s = QString::number(v, 'f', 4);
  while (s.endsWith(QLatin1Char('0'))) s.chop(1);
  if (s.endsWith(QLatin1Char('.'))) s.chop(1);
  if (s == QLatin1String("-0")) s = QStringLiteral("0");
  return withDecimalPoint(s, style);
}

QString dateText(double serial, bool date1904, CellTextStyle style) {
  if (!(serial >= kFirstSerial && serial <= kLastSerial)) return generalNumber(serial, style);
  const QDateTime dt = SerialToDateTime(serial, date1904);
  const bool timeOnly = serial >= 0 && serial < 1;
  const bool midnight = dt.time() == QTime(0, 0);
  if (style == CellTextStyle::Neutral) {
    if (timeOnly) return dt.time().toString(QStringLiteral("HH:mm:ss"));
    return midnight ? dt.date().toString(Qt::ISODate)
                    : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  }
  if (timeOnly) return dt.time().toString(QStringLiteral("H:mm:ss"));
  DisplayLocale &display = displayLocale();
  const qint64 day = dt.date().toJulianDay();
  auto it = display.shortDates.constFind(day);
  if (it == display.shortDates.constEnd()) {
    if (display.shortDates.size() >= 4096) display.shortDates.clear();
    it = display.shortDates.insert(day, display.locale.toString(dt.date(), QLocale::ShortFormat));
  }
  if (midnight) return *it;
  return *it + QLatin1Char(' ') + dt.time().toString(QStringLiteral("H:mm:ss"));
}
}  // namespace

QDateTime SerialToDateTime(double serial, bool date1904) {
  // 1900 system: serial 1 is 1900-01-01, and serial 60 is the phantom 1900-02-29 that
  // spreadsheets keep for compatibility; counting from 1899-12-30 is right from serial 61 on.
  // Negative serials count back from the same day 0 as the positive ones before it.
  QDate base = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
  if (!date1904 && serial >= 0 && serial < 61) base = QDate(1899, 12, 31);
  double days = std::floor(serial);
  qint64 ms = std::llround((serial - days) * 86400000.0);
  // Round to whole seconds: serials carry binary noise below a millisecond.
  ms = (ms + 500) / 1000 * 1000;
  if (ms >= 86400000) {
    days += 1;
    ms = 0;
  }
  // A cell's date names no time zone: UTC keeps every wall-clock time valid (no DST gaps)
  // and spares a time zone look-up per cell.
  return QDateTime(base.addDays(static_cast<qint64>(days)),
                   QTime(0, 0).addMSecs(static_cast<int>(ms)), Qt::UTC);
}

double DateTimeToSerial(const QDateTime &dateTime, bool date1904) {
  qint64 days =
      QDate(date1904 ? 1904 : 1899, date1904 ? 1 : 12, date1904 ? 1 : 30).daysTo(dateTime.date());
  if (!date1904 && days < 61) days -= 1;  // before the phantom 1900-02-29
  return static_cast<double>(days) + dateTime.time().msecsSinceStartOfDay() / 86400000.0;
}

QString CellValueText(const Worksheet &sheet, const CellValue &value, CellTextStyle style) {
  switch (value.type) {
    case CellValue::Type::Empty:
      return {};
    case CellValue::Type::Text:
    case CellValue::Type::Error:
      return value.text < sheet.stringCount() ? sheet.string(value.text) : QString();
    case CellValue::Type::Boolean:
      return value.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellValue::Type::Number:
      return generalNumber(value.number, style);
    case CellValue::Type::Currency:
      return currencyNumber(value.number, style);
    case CellValue::Type::Date:
      return dateText(value.number, sheet.date1904(), style);
  }
  return {};
}
