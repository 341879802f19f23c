#include "CellText.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

#include "Worksheet.h"

namespace {
QString generalNumber(double v, CellTextStyle style) {
  if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
  if (v == 0) return QStringLiteral("0");  // also -0
  QString s = QString::number(v, 'g', 15);
  // 'g' with 15 digits is plain notation for magnitudes from 1e-5 up to 1e15.
  if (style == CellTextStyle::Display) {
    const QString dp = QLocale().decimalPoint();
    if (dp != QLatin1String(".")) s.replace(QLatin1Char('.'), dp);
  }
  return s;
}
}  // namespace

QDateTime SerialToDateTime(double serial, bool date1904) {
  // 1900 system: serial 1 is 1900-01-01, and serial 60 is the phantom 1900-02-29 that
  // spreadsheets keep for compatibility; counting from 1899-12-30 is right from serial 61 on.
  QDate base = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
  if (!date1904 && serial < 61) base = QDate(1899, 12, 31);
  double days = std::floor(serial);
  qint64 ms = std::llround((serial - days) * 86400000.0);
  if (ms >= 86400000) {
    days += 1;
    ms -= 86400000;
  }
  // Round to whole seconds: serials carry binary noise below a millisecond.
  ms = (ms + 500) / 1000 * 1000;
  if (ms >= 86400000) {
    days += 1;
    ms = 0;
  }
  return QDateTime(base.addDays(static_cast<qint64>(days)), QTime(0, 0).addMSecs(static_cast<int>(ms)));
}

QString CellValueText(const Worksheet &sheet, const CellValue &value, CellTextStyle style) {
  switch (value.type) {
    case CellValue::Type::Empty:
      return {};
    case CellValue::Type::Text:
    case CellValue::Type::Error:
      return sheet.string(value.text);
    case CellValue::Type::Boolean:
      return value.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellValue::Type::Number:
      return generalNumber(value.number, style);
    case CellValue::Type::Date: {
      const QDateTime dt = SerialToDateTime(value.number, sheet.date1904());
      const bool midnight = dt.time() == QTime(0, 0);
      const bool timeOnly = value.number >= 0 && value.number < 1;
      if (style == CellTextStyle::Neutral) {
        if (timeOnly) return dt.time().toString(QStringLiteral("HH:mm:ss"));
        return midnight ? dt.date().toString(Qt::ISODate)
                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
      }
      const QLocale locale;
      if (timeOnly) return locale.toString(dt.time(), QLocale::ShortFormat);
      QString text = locale.toString(dt.date(), QLocale::ShortFormat);
      if (!midnight) text += QLatin1Char(' ') + locale.toString(dt.time(), QLocale::ShortFormat);
      return text;
    }
  }
  return {};
}
