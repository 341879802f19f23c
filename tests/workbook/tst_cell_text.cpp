#include <QDateTime>
#include <QTest>
#include <charconv>
#include <cmath>
#include <random>

#include "workbook/CellText.h"
#include "workbook/Worksheet.h"

Q_DECLARE_METATYPE(CellValue::Type)

// The value-to-text rule every caller reads cells by.
class TestCellText : public QObject {
  Q_OBJECT

  static QString text(CellValue::Type type, double number, bool date1904, CellTextStyle style,
                      const QString &string = QString()) {
    Worksheet sheet;
    sheet.setDate1904(date1904);
    CellValue v{type, number};
    if (!string.isNull()) v.text = sheet.addString(string);
    return CellValueText(sheet, v, style);
  }

  static QByteArray buffer15(double v) {
    char buffer[48];
    char *end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15).ptr;
    QByteArray out(buffer, end - buffer);
    return out.replace('e', 'E');
  }

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

  void numbers_data() {
    QTest::addColumn<CellValue::Type>("type");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("expected");
    using T = CellValue::Type;
    QTest::newRow("integer") << T::Number << 5000.0 << "5000";
    QTest::newRow("one decimal") << T::Number << 1234.5 << "1234.5";
    QTest::newRow("binary noise") << T::Number << 0.1 + 0.2 << "0.3";
    QTest::newRow("negative") << T::Number << -17.25 << "-17.25";
    QTest::newRow("negative zero") << T::Number << -0.0 << "0";
    QTest::newRow("15 significant digits") << T::Number << 123456789012345.0 << "123456789012345";
    QTest::newRow("rounded to 15 digits")
        << T::Number << 0.123456789012345678 << "0.123456789012346";
    QTest::newRow("16 digits as exponent")
        << T::Number << 1234567890123456.0 << "1.23456789012346E+15";
    QTest::newRow("small") << T::Number << 0.000123 << "0.000123";
    QTest::newRow("tiny") << T::Number << 1.5e-10 << "1.5E-10";
    QTest::newRow("currency: four decimals") << T::Currency << 1234.56789 << "1234.5679";
    QTest::newRow("currency: no trailing zeros") << T::Currency << 5000.10 << "5000.1";
    QTest::newRow("currency: whole") << T::Currency << -20.0 << "-20";
    QTest::newRow("boolean true") << T::Boolean << 1.0 << "TRUE";
    QTest::newRow("boolean false") << T::Boolean << 0.0 << "FALSE";
  }
  void numbers() {
    QFETCH(CellValue::Type, type);
    QFETCH(double, number);
    QFETCH(QString, expected);
    QCOMPARE(text(type, number, false, CellTextStyle::Display), expected);
    QCOMPARE(text(type, number, false, CellTextStyle::Neutral), expected);
  }

  void decimalSeparatorFollowsTheLocale() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString display = text(CellValue::Type::Number, 1234.5, false, CellTextStyle::Display);
    const QString neutral = text(CellValue::Type::Number, 1234.5, false, CellTextStyle::Neutral);
    const QString currency = text(CellValue::Type::Currency, 0.25, false, CellTextStyle::Display);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QCOMPARE(display, QStringLiteral("1234,5"));
    QCOMPARE(neutral, QStringLiteral("1234.5"));
    QCOMPARE(currency, QStringLiteral("0,25"));
  }

  void dates_data() {
    QTest::addColumn<double>("serial");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("neutral");
    QTest::newRow("midnight: the short date alone") << 46356.0 << false << "2026/11/30"
                                                    << "2026-11-30";
    QTest::newRow("with a time of day") << 46088.604166666664 << false << "2026/3/7 14:30:00"
                                        << "2026-03-07 14:30:00";
    QTest::newRow("binary noise rounds to the second")
        << 45351.336909722224 << false << "2024/2/29 8:05:09"
        << "2024-02-29 08:05:09";
    QTest::newRow("1904 system") << 44894.0 << true << "2026/11/30"
                                 << "2026-11-30";
    QTest::newRow("time of day alone") << 0.3854166666666667 << false << "9:15:00"
                                       << "09:15:00";
    QTest::newRow("a second before midnight") << 0.999988425925926 << false << "23:59:59"
                                              << "23:59:59";
    QTest::newRow("serial 0 is midnight") << 0.0 << false << "0:00:00"
                                          << "00:00:00";
    QTest::newRow("before the phantom leap day") << 59.0 << false << "1900/2/28"
                                                 << "1900-02-28";
    QTest::newRow("after it") << 61.0 << false << "1900/3/1"
                              << "1900-03-01";
    QTest::newRow("a negative serial counts back") << -1.25 << false << "1899/12/28 18:00:00"
                                                   << "1899-12-28 18:00:00";
    QTest::newRow("beyond 9999-12-31 reads as a number") << 3000000.0 << false << "3000000"
                                                         << "3000000";
  }
  void dates() {
    QFETCH(double, serial);
    QFETCH(bool, date1904);
    QFETCH(QString, display);
    QFETCH(QString, neutral);
    QCOMPARE(text(CellValue::Type::Date, serial, date1904, CellTextStyle::Display), display);
    QCOMPARE(text(CellValue::Type::Date, serial, date1904, CellTextStyle::Neutral), neutral);
  }

  void serialsRoundTrip_data() {
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<bool>("date1904");
    QTest::newRow("1900") << QDateTime(QDate(2026, 11, 30), QTime(17, 45, 1)) << false;
    QTest::newRow("1900, before March") << QDateTime(QDate(1900, 1, 1), QTime(0, 0)) << false;
    QTest::newRow("1904") << QDateTime(QDate(1904, 1, 1), QTime(6, 0)) << true;
  }
  void serialsRoundTrip() {
    QFETCH(QDateTime, moment);
    QFETCH(bool, date1904);
    const QDateTime back = SerialToDateTime(DateTimeToSerial(moment, date1904), date1904);
    QCOMPARE(back.date(), moment.date());
    QCOMPARE(back.time(), moment.time());
  }

  // The general form equals the 15-significant-digit %g text across magnitudes and digit counts.
  void generalFormIsFifteenDigits() {
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-320, 308), amountExponent(-6, 12), decimals(0, 17);
    for (int i = 0; i < 200000; ++i) {
      double v =
          mantissa(random) * std::pow(10.0, i % 4 == 1 ? amountExponent(random) : exponent(random));
      if (i % 2)
        v = std::round(v * std::pow(10.0, decimals(random) % 8)) /
            std::pow(10.0, decimals(random) % 8);
      if (i % 3 == 0) v = -v;
      if (!std::isfinite(v) || v == 0) continue;
      const QString expected = QString::fromLatin1(buffer15(v));
      const QString actual = text(CellValue::Type::Number, v, false, CellTextStyle::Neutral);
      if (actual != expected) QFAIL(qPrintable(expected + QStringLiteral(" reads ") + actual));
    }
    for (double v : {1e15, 999999999999999.0, 1e-5, 0.0001, 9.99999999999999e-5, 100.0, 1e21,
                     5e-324, 2.2250738585072014e-308})
      QCOMPARE(text(CellValue::Type::Number, v, false, CellTextStyle::Neutral),
               QString::fromLatin1(buffer15(v)));
  }

  void textsAndErrorsAreThemselves() {
    QCOMPARE(
        text(CellValue::Type::Text, 0, false, CellTextStyle::Display, QStringLiteral(" 张三 ")),
        QStringLiteral(" 张三 "));
    QCOMPARE(text(CellValue::Type::Error, 0, false, CellTextStyle::Display, QStringLiteral("#N/A")),
             QStringLiteral("#N/A"));
    QCOMPARE(text(CellValue::Type::Empty, 0, false, CellTextStyle::Display), QString());
  }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "tst_cell_text.moc"
