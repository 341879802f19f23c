// The .xls reader on workbook records built byte by byte and wrapped in real OLE2 files.
#include <QtTest>

#include "BiffBuilder.h"
#include "XlsReading.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookErrors.h"

using namespace biffbuild;

namespace {
constexpr int kSst = 0x00FC, kContinue = 0x003C, kString = 0x0207;

// Number formats by XF index: 0 general, 1 built-in date, 2 a Chinese custom date, 3 a number
// with a quoted "h", 4 elapsed hours, 5 built-in date and time, 6 grouping with two decimals,
// 7 built-in currency, 8 a custom yuan currency.
QByteArray FormatGlobals() {
  return Format(176, QStringLiteral("yyyy\"年\"m\"月\"d\"日\"")) +
         Format(177, QStringLiteral("0.00\"h\"")) + Format(178, QStringLiteral("[h]:mm")) + Xf(0) +
         Xf(14) + Xf(176) + Xf(177) + Xf(178) + Xf(22) + Xf(4) + Xf(7) +
         Format(179, QStringLiteral("[$¥-804]#,##0.00")) + Xf(179);
}
}  // namespace

class TestXlsReader : public QObject {
  Q_OBJECT
 private slots:
  void cellRecords_data();
  void cellRecords();
  void sharedStrings_data();
  void sharedStrings();
  void mergedCells();
  void emptySheet();
  void sheetsInWorkbookOrder();
  void biff5CodePages_data();
  void biff5CodePages();
  void xlwtLongStrings();
};

void TestXlsReader::cellRecords_data() {
  QTest::addColumn<QByteArray>("records");
  QTest::addColumn<QString>("cells");
  QTest::addColumn<QString>("range");
  auto row = [](const char *name, const QByteArray &records, const char *cells, const char *range) {
    QTest::newRow(name) << records << QString::fromUtf8(cells) << QString::fromUtf8(range);
  };
  row("number ignores grouping format", Number(0, 0, 1234.5, 6), "1,1=1234.5", "1,1:1,1");
  row("number noise", Number(2, 1, 0.1 + 0.2), "3,2=0.3", "3,2:3,2");
  row("rk integer", Rk(0, 0, (42u << 2) | 2), "1,1=42", "1,1:1,1");
  row("rk negative integer", Rk(0, 0, std::uint32_t(-7) << 2 | 2), "1,1=-7", "1,1:1,1");
  row("rk integer / 100", Rk(0, 0, (12345u << 2) | 3), "1,1=123.45", "1,1:1,1");
  row("rk double", Rk(0, 0, 0x3FF80000u), "1,1=1.5", "1,1:1,1");
  row("rk double / 100", Rk(0, 0, 0x3FF80000u | 1), "1,1=0.015", "1,1:1,1");
  row("mulrk",
      Record(0x00BD, U16(1) + U16(1) + U16(0) + U32((1u << 2) | 2) + U16(0) + U32((2u << 2) | 2) +
                         U16(0) + U32((3u << 2) | 2) + U16(3)),
      "2,2=1;2,3=2;2,4=3", "2,2:2,4");
  row("label latin-1", Label(0, 0, QStringLiteral("Ümlaut")), "1,1=Ümlaut", "1,1:1,1");
  row("label wide", Label(0, 0, QStringLiteral("工资表")), "1,1=工资表", "1,1:1,1");
  row("boolerr true", Record(0x0205, U16(0) + U16(0) + U16(0) + U8(1) + U8(0)), "1,1=TRUE",
      "1,1:1,1");
  row("boolerr #DIV/0!", Record(0x0205, U16(0) + U16(0) + U16(0) + U8(0x07) + U8(1)), "1,1=#DIV/0!",
      "1,1:1,1");
  row("boolerr #N/A", Record(0x0205, U16(0) + U16(0) + U16(0) + U8(0x2A) + U8(1)), "1,1=#N/A",
      "1,1:1,1");
  row("formula number", Formula(0, 0, F64(3.25)), "1,1=3.25", "1,1:1,1");
  row("formula string after shared formula",
      Formula(0, 0, Tagged(0, 0)) + Record(0x04BC, QByteArray(10, '\0')) +
          Record(kString, UnicodeString(QStringLiteral("总计"))),
      "1,1=总计", "1,1:1,1");
  row("formula boolean", Formula(0, 0, Tagged(1, 0)), "1,1=FALSE", "1,1:1,1");
  row("formula error", Formula(0, 0, Tagged(2, 0x17)), "1,1=#REF!", "1,1:1,1");
  row("formula empty string", Formula(4, 4, Tagged(3, 0)), "", "1,1:1,1");
  row("stray string record",
      Formula(0, 0, Tagged(0, 0)) + Number(0, 1, 5) +
          Record(kString, UnicodeString(QStringLiteral("lost"))),
      "1,2=5", "1,2:1,2");
  row("blanks hold no value",
      Number(0, 0, 1) + Record(0x0201, U16(9) + U16(9) + U16(0)) +
          Record(0x00BE, U16(5) + U16(0) + U16(0) + U16(0) + U16(0) + U16(2)),
      "1,1=1", "1,1:1,1");
  row("built-in date", Number(0, 0, 45366, 1), "1,1=2024-03-15", "1,1:1,1");
  row("built-in date and time", Number(0, 0, 45366.5, 5), "1,1=2024-03-15 12:00:00", "1,1:1,1");
  row("custom Chinese date", Number(0, 0, 45366, 2), "1,1=2024-03-15", "1,1:1,1");
  row("quoted h is no time", Number(0, 0, 45366, 3), "1,1=45366", "1,1:1,1");
  row("elapsed hours", Number(0, 0, 0.25, 4), "1,1=06:00:00", "1,1:1,1");
  row("date formula result", Formula(0, 0, F64(45366), 1), "1,1=2024-03-15", "1,1:1,1");
  row("built-in currency", Number(0, 0, 1234.56789, 7), "1,1=1234.5679", "1,1:1,1");
  row("custom currency", Number(0, 0, 5000, 8), "1,1=5000", "1,1:1,1");
  row("unknown xf is general", Number(0, 0, 45366, 999), "1,1=45366", "1,1:1,1");
  row("last row and column", Number(65535, 255, 7), "65536,256=7", "65536,256:65536,256");
  row("later value wins", Number(0, 0, 1) + Number(0, 0, 2), "1,1=2", "1,1:1,1");
  row("short records are skipped",
      Record(0x0203, U16(0) + U16(0)) + Record(0x00BD, U16(0)) + Number(1, 1, 9), "2,2=9",
      "2,2:2,2");
  row("embedded chart skipped",
      Number(0, 0, 1) + Record(0x0809, U16(0x0600) + U16(0x20) + QByteArray(12, '\0')) +
          Number(5, 5, 99) + Record(0x000A, {}) + Number(1, 0, 2),
      "1,1=1;2,1=2", "1,1:2,1");
}

void TestXlsReader::cellRecords() {
  QFETCH(QByteArray, records);
  QFETCH(QString, cells);
  QFETCH(QString, range);
  const Reading r = ReadStream(OneSheet(FormatGlobals(), records));
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(int(r.sheets.size()), 1);
  QCOMPARE(Cells(r.sheets[0]), cells);
  QCOMPARE(UsedRange(r.sheets[0]), range);
}

void TestXlsReader::sharedStrings_data() {
  QTest::addColumn<QByteArray>("table");  // SST with its CONTINUE records
  QTest::addColumn<int>("count");         // LABELSST cells 0..count-1 in column A
  QTest::addColumn<QString>("cells");
  auto sst = [](std::uint32_t unique, const QByteArray &body) {
    return Record(kSst, U32(unique) + U32(unique) + body);
  };
  QTest::newRow("split from 8-bit to wide")
      << sst(1, U16(6) + U8(0) + "abc") + Record(kContinue, U8(1) + Utf16(QStringLiteral("工资表")))
      << 1 << QStringLiteral("1,1=abc工资表");
  QTest::newRow("split from wide to 8-bit")
      << sst(1, U16(4) + U8(1) + Utf16(QStringLiteral("工资"))) + Record(kContinue, U8(0) + "ab")
      << 1 << QStringLiteral("1,1=工资ab");
  QTest::newRow("rich-text runs split")
      << sst(2, U16(5) + U8(0x08) + U16(2) + "hello" + U32(0)) +
             Record(kContinue, U32(0x00010003) + UnicodeString(QStringLiteral("next")))
      << 2 << QStringLiteral("1,1=hello;2,1=next");
  QTest::newRow("phonetic data split")
      << sst(2, U16(2) + U8(0x05) + U32(10) + Utf16(QStringLiteral("漢字")) + U32(0)) +
             Record(kContinue, QByteArray(6, 'p') + UnicodeString(QStringLiteral("after")))
      << 2 << QStringLiteral("1,1=漢字;2,1=after");
  QTest::newRow("string starts in a continue")
      << sst(2, UnicodeString(QStringLiteral("one"))) +
             Record(kContinue, UnicodeString(QStringLiteral("two")))
      << 2 << QStringLiteral("1,1=one;2,1=two");
  QTest::newRow("unique count far too large")
      << sst(0xFFFFFFF0u, UnicodeString(QStringLiteral("x")) + UnicodeString(QStringLiteral("y")))
      << 2 << QStringLiteral("1,1=x;2,1=y");
  QTest::newRow("unique count too small")
      << Record(kSst, U32(3) + U32(1) + UnicodeString(QStringLiteral("a")) +
                          UnicodeString(QStringLiteral("b")) + UnicodeString(QStringLiteral("c")))
      << 3 << QStringLiteral("1,1=a;2,1=b;3,1=c");
  QTest::newRow("cut in a string")
      << sst(2, UnicodeString(QStringLiteral("ok")) + U16(10) + U8(0) + "abc") << 3
      << QStringLiteral("1,1=ok");
  QTest::newRow("empty string is no value")
      << sst(2, UnicodeString(QString()) + UnicodeString(QStringLiteral("z"))) << 2
      << QStringLiteral("2,1=z");
}

void TestXlsReader::sharedStrings() {
  QFETCH(QByteArray, table);
  QFETCH(int, count);
  QFETCH(QString, cells);
  QByteArray records;
  for (int i = 0; i < count; ++i) records += LabelSst(i, 0, std::uint32_t(i));
  records += LabelSst(count, 0, 1000000);  // an index past the table reads as empty
  const Reading r = ReadStream(OneSheet(table, records));
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(Cells(r.sheets[0]), cells);
}

void TestXlsReader::mergedCells() {
  // A 2 × 3 block at B2:D3 with a value under it, a block at F1:G1, and a count larger than
  // the record holds.
  const QByteArray merges = Record(
      0x00E5, U16(50) + U16(1) + U16(2) + U16(1) + U16(3) + U16(0) + U16(0) + U16(5) + U16(6));
  const Reading r =
      ReadStream(OneSheet({}, Label(1, 1, QStringLiteral("合计")) + Number(2, 2, 5) + merges));
  QVERIFY2(r.ok, qPrintable(r.reason));
  const Worksheet &s = r.sheets[0];
  QCOMPARE(Cells(s), QStringLiteral("2,2=合计"));
  QCOMPARE(UsedRange(s), QStringLiteral("1,2:3,7"));
  QCOMPARE(int(s.merges().size()), 2);
  for (int row = 2; row <= 3; ++row)
    for (int col = 2; col <= 4; ++col) {
      const MergeArea m = s.mergeArea(row, col);
      QVERIFY(m.merged());
      QCOMPARE(m.rows, 2);
      QCOMPARE(m.columns, 3);
    }
  QVERIFY(!s.isMerged(1, 1));
  QCOMPARE(s.mergeArea(1, 7).columns, 2);
}

void TestXlsReader::emptySheet() {
  const Reading r = ReadStream(OneSheet({}, Record(0x0201, U16(4) + U16(4) + U16(0))));
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(Cells(r.sheets[0]), QString());
  QCOMPARE(UsedRange(r.sheets[0]), QStringLiteral("1,1:1,1"));
}

void TestXlsReader::sheetsInWorkbookOrder() {
  const QByteArray globals = Record(0x0022, U16(1)) + Xf(0) + Xf(14);
  // Chart, macro and dialog sheets are left out: only worksheets are counted and walked.
  const Reading r = ReadStream(WorkbookStream(
      globals, {Sheet{QStringLiteral("工资表"), Number(0, 0, 1, 1)},
                Sheet{QStringLiteral("Chart1"), {}, 0, 2},
                Sheet{QStringLiteral("Bob's sheet"), Label(0, 0, QStringLiteral("x")), 1},
                Sheet{QStringLiteral("Macro1"), Number(0, 0, 1), 0, 1},
                Sheet{QStringLiteral("Dialog1"), Record(0x0081, U16(0x0010)) + Number(0, 0, 1)},
                Sheet{QStringLiteral("secret"), Number(3, 3, 1), 2}}));
  QVERIFY2(r.ok, qPrintable(r.reason));
  QStringList names, hidden;
  for (const Worksheet &s : r.sheets) {
    names << s.name();
    hidden << (s.hidden() ? QStringLiteral("hidden") : QStringLiteral("visible"));
    QVERIFY(s.date1904());
  }
  QCOMPARE(names.join(u'|'), QStringLiteral("工资表|Bob's sheet|secret"));
  QCOMPARE(hidden.join(u'|'), QStringLiteral("visible|hidden|hidden"));
  QCOMPARE(Cells(r.sheets[0]), QStringLiteral("1,1=1904-01-02"));
  QCOMPARE(Cells(r.sheets[2]), QStringLiteral("4,4=1"));
}

void TestXlsReader::biff5CodePages_data() {
  QTest::addColumn<int>("codePage");
  QTest::addColumn<QByteArray>("iconvName");
  QTest::addColumn<QString>("text");
  QTest::newRow("GBK") << 936 << QByteArray("GBK") << QStringLiteral("工资表张三");
  QTest::newRow("GB18030 beyond GBK") << 936 << QByteArray("GB18030") << QStringLiteral("€㐀");
  QTest::newRow("Western") << 1252 << QByteArray("CP1252") << QStringLiteral("Café “quoted”");
  QTest::newRow("Mac Central Europe")
      << 10029 << QByteArray("MAC-CENTRALEUROPE") << QStringLiteral("Łódź");
  QTest::newRow("Big5") << 950 << QByteArray("CP950") << QStringLiteral("薪資");
}

void TestXlsReader::biff5CodePages() {
  QFETCH(int, codePage);
  QFETCH(QByteArray, iconvName);
  QFETCH(QString, text);
  // Encoded by the test's own iconv, decoded by the reader from the CODEPAGE record.
  const QByteArray bytes = CodePageBytes(text, iconvName.constData());
  const QByteArray label =
      Record(0x0204, U16(0) + U16(0) + U16(0) + U16(int(bytes.size())) + bytes);
  const QByteArray rstring =
      Record(0x00D6, U16(1) + U16(0) + U16(0) + U16(int(bytes.size())) + bytes + U8(0));
  const QByteArray format = Record(0x041E, U16(170) + U8(10) + "yyyy-mm-dd") + Xf(0) + Xf(170);
  const QByteArray stream = WorkbookStream(Record(0x0042, U16(codePage)) + format,
                                           {Sheet{text, label + rstring + Number(2, 0, 45366, 1)}},
                                           5, iconvName.constData());
  const Reading r = ReadStream(stream, QStringLiteral("Book"));
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(r.sheets[0].name(), text);
  QCOMPARE(Cells(r.sheets[0]), QStringLiteral("1,1=%1;2,1=%1;3,1=2024-03-15").arg(text));
}

static QString CellTextAt(int i) {
  const QString latin = QStringLiteral("abcdefghij").repeated((i * 7) % 13);
  const QString cjk = QStringLiteral("工资表员工邮件").repeated((i * 5) % 11);
  QString text = QString::number(i) + u':' + (i % 2 ? latin + cjk : cjk + latin);
  if (i % 200 == 199) text += QStringLiteral("长").repeated(5000);
  return text;
}

void TestXlsReader::xlwtLongStrings() {
  // xlwt's shared-string table spans many CONTINUE records; strings cross their borders.
  const Reading r = ReadFile(TestDataDir() + QStringLiteral("/workbook/xls/long_strings.xls"));
  QVERIFY2(r.ok, qPrintable(r.reason));
  const Worksheet &s = r.sheets[0];
  QCOMPARE(UsedRange(s), QStringLiteral("1,1:600,2"));
  for (int i = 0; i < 600; ++i) {
    const CellValue text = s.value(i + 1, 1), number = s.value(i + 1, 2);
    QCOMPARE(text.type, CellValue::Type::Text);
    QCOMPARE(s.string(text.text), CellTextAt(i));
    QCOMPARE(number.number, i * 0.25);
  }
}

QTEST_GUILESS_MAIN(TestXlsReader)
#include "tst_xls_reader.moc"
