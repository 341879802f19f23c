// The .xls reader on workbook streams built record by record and wrapped in real OLE2 files.
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "BiffBuilder.h"
#include "support/TestPaths.h"
#include "workbook/CellText.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/XlsReader.h"

using namespace biffbuild;

namespace {
constexpr int kSst = 0x00FC, kContinue = 0x003C, kFormula = 0x0006, kString = 0x0207;

// Number formats by XF index: 0 general, 1 built-in date, 2 a Chinese custom date, 3 a number
// with a quoted "h", 4 elapsed hours, 5 built-in date and time, 6 grouping with two decimals,
// 7 built-in currency, 8 a custom yuan currency.
QByteArray FormatGlobals() {
  return Format(176, QStringLiteral("yyyy\"年\"m\"月\"d\"日\"")) + Format(177, QStringLiteral("0.00\"h\"")) +
         Format(178, QStringLiteral("[h]:mm")) + Xf(0) + Xf(14) + Xf(176) + Xf(177) + Xf(178) +
         Xf(22) + Xf(4) + Xf(7) + Format(179, QStringLiteral("[$¥-804]#,##0.00")) + Xf(179);
}

QByteArray Formula(int row, int col, const QByteArray &result, int xf = 0) {
  return Record(kFormula, U16(row) + U16(col) + U16(xf) + result + U16(0) + U32(0) + U16(0));
}
QByteArray Tagged(int kind, int value) {
  return U8(kind) + U8(0) + U8(value) + U8(0) + U8(0) + U8(0) + U16(0xFFFF);
}
QByteArray Rk(int row, int col, std::uint32_t rk) {
  return Record(0x027E, U16(row) + U16(col) + U16(0) + U32(rk));
}

using Streams = QList<QPair<QString, QByteArray>>;

struct Reading {
  bool ok = false;
  QString reason;
  std::vector<Worksheet> sheets;
};

Reading ReadFile(const QString &path) {
  Reading r;
  r.ok = ReadXlsWorkbook(path, r.sheets, r.reason);
  return r;
}

Reading ReadStreams(const QList<QPair<QString, QByteArray>> &streams) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("book.xls"));
  if (!WriteCompoundFile(path, streams)) qFatal("cannot write the compound file");
  return ReadFile(path);
}

Reading ReadStream(const QByteArray &stream, const QString &name = QStringLiteral("Workbook")) {
  return ReadStreams({{name, stream}});
}

// The cells of a sheet as "row,col=text;…" in row-major order, locale-neutral.
QString Cells(const Worksheet &sheet) {
  QStringList out;
  for (const Worksheet::Entry &e : sheet.cells())
    out << QStringLiteral("%1,%2=%3").arg(e.row).arg(e.column)
               .arg(CellValueText(sheet, e.value, CellTextStyle::Neutral));
  return out.join(u';');
}

QString UsedRange(const Worksheet &sheet) {
  return QStringLiteral("%1,%2:%3,%4").arg(sheet.usedFirstRow()).arg(sheet.usedFirstColumn())
      .arg(sheet.usedLastRow()).arg(sheet.usedLastColumn());
}

QByteArray OneSheet(const QByteArray &globals, const QByteArray &cells, int version = 8) {
  return WorkbookStream(globals, {Sheet{QStringLiteral("Sheet1"), cells}}, version);
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
  void streamNames_data();
  void streamNames();
  void refusals_data();
  void refusals();
  void xlwtLongStrings();
  void rawBiffFiles_data();
  void rawBiffFiles();
  void damagedStreamsFailCleanly();
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
  row("mulrk", Record(0x00BD, U16(1) + U16(1) + U16(0) + U32((1u << 2) | 2) + U16(0) +
                                  U32((2u << 2) | 2) + U16(0) + U32((3u << 2) | 2) + U16(3)),
      "2,2=1;2,3=2;2,4=3", "2,2:2,4");
  row("label latin-1", Label(0, 0, QStringLiteral("Ümlaut")), "1,1=Ümlaut", "1,1:1,1");
  row("label wide", Label(0, 0, QStringLiteral("工资表")), "1,1=工资表", "1,1:1,1");
  row("boolerr true", Record(0x0205, U16(0) + U16(0) + U16(0) + U8(1) + U8(0)), "1,1=TRUE", "1,1:1,1");
  row("boolerr #DIV/0!", Record(0x0205, U16(0) + U16(0) + U16(0) + U8(0x07) + U8(1)), "1,1=#DIV/0!", "1,1:1,1");
  row("boolerr #N/A", Record(0x0205, U16(0) + U16(0) + U16(0) + U8(0x2A) + U8(1)), "1,1=#N/A", "1,1:1,1");
  row("formula number", Formula(0, 0, F64(3.25)), "1,1=3.25", "1,1:1,1");
  row("formula string after shared formula",
      Formula(0, 0, Tagged(0, 0)) + Record(0x04BC, QByteArray(10, '\0')) +
          Record(kString, UnicodeString(QStringLiteral("总计"))),
      "1,1=总计", "1,1:1,1");
  row("formula boolean", Formula(0, 0, Tagged(1, 0)), "1,1=FALSE", "1,1:1,1");
  row("formula error", Formula(0, 0, Tagged(2, 0x17)), "1,1=#REF!", "1,1:1,1");
  row("formula empty string", Formula(4, 4, Tagged(3, 0)), "", "1,1:1,1");
  row("stray string record", Formula(0, 0, Tagged(0, 0)) + Number(0, 1, 5) +
                                 Record(kString, UnicodeString(QStringLiteral("lost"))),
      "1,2=5", "1,2:1,2");
  row("blanks hold no value", Number(0, 0, 1) + Record(0x0201, U16(9) + U16(9) + U16(0)) +
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
  row("short records are skipped", Record(0x0203, U16(0) + U16(0)) + Record(0x00BD, U16(0)) + Number(1, 1, 9),
      "2,2=9", "2,2:2,2");
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
      << sst(2, UnicodeString(QStringLiteral("one"))) + Record(kContinue, UnicodeString(QStringLiteral("two")))
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
  const QByteArray merges = Record(0x00E5, U16(50) + U16(1) + U16(2) + U16(1) + U16(3) +
                                               U16(0) + U16(0) + U16(5) + U16(6));
  const Reading r = ReadStream(OneSheet({}, Label(1, 1, QStringLiteral("合计")) +
                                                Number(2, 2, 5) + merges));
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
  QTest::newRow("Mac Central Europe") << 10029 << QByteArray("MAC-CENTRALEUROPE") << QStringLiteral("Łódź");
  QTest::newRow("Big5") << 950 << QByteArray("CP950") << QStringLiteral("薪資");
}

void TestXlsReader::biff5CodePages() {
  QFETCH(int, codePage);
  QFETCH(QByteArray, iconvName);
  QFETCH(QString, text);
  // The text in the code page, as the builder writes it for a BIFF5 sheet name.
  const QByteArray probe = WorkbookStream({}, {Sheet{text, {}}}, 5, iconvName.constData());
  const int at = int(probe.indexOf(QByteArray::fromHex("8500"))) + 4 + 6;
  const QByteArray bytes = probe.mid(at + 1, quint8(probe[at]));
  const QByteArray label = Record(0x0204, U16(0) + U16(0) + U16(0) + U16(int(bytes.size())) + bytes);
  const QByteArray rstring = Record(0x00D6, U16(1) + U16(0) + U16(0) + U16(int(bytes.size())) + bytes + U8(0));
  const QByteArray format = Record(0x041E, U16(170) + U8(10) + "yyyy-mm-dd") + Xf(0) + Xf(170);
  const QByteArray stream =
      WorkbookStream(Record(0x0042, U16(codePage)) + format,
                     {Sheet{text, label + rstring + Number(2, 0, 45366, 1)}}, 5, iconvName.constData());
  const Reading r = ReadStream(stream, QStringLiteral("Book"));
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(r.sheets[0].name(), text);
  QCOMPARE(Cells(r.sheets[0]), QStringLiteral("1,1=%1;2,1=%1;3,1=2024-03-15").arg(text));
}

void TestXlsReader::streamNames_data() {
  QTest::addColumn<QStringList>("names");
  QTest::newRow("Workbook") << QStringList{QStringLiteral("Workbook")};
  QTest::newRow("WORKBOOK") << QStringList{QStringLiteral("WORKBOOK")};
  QTest::newRow("Book") << QStringList{QStringLiteral("Book")};
  QTest::newRow("BOOK") << QStringList{QStringLiteral("BOOK")};
  // Workbook wins over a left-over Book stream (here unreadable).
  QTest::newRow("Workbook beside Book") << QStringList{QStringLiteral("Book"), QStringLiteral("Workbook")};
}

void TestXlsReader::streamNames() {
  QFETCH(QStringList, names);
  const QByteArray stream = OneSheet({}, Number(0, 0, 8));
  QList<QPair<QString, QByteArray>> streams;
  for (const QString &n : names)
    streams << qMakePair(n, n == u"Book" && names.size() > 1 ? QByteArray("junk") : stream);
  const Reading r = ReadStreams(streams);
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(Cells(r.sheets[0]), QStringLiteral("1,1=8"));
}

void TestXlsReader::refusals_data() {
  QTest::addColumn<Streams>("streams");
  QTest::addColumn<QString>("reason");
  const QString wb = QStringLiteral("Workbook");
  const QByteArray good = OneSheet({}, Number(0, 0, 1));
  QTest::newRow("FILEPASS") << Streams{{wb, OneSheet(Record(0x002F, U16(1) + QByteArray(52, 'k')), {})}}
                            << ReasonPasswordProtected();
  QTest::newRow("encrypted package")
      << Streams{{QStringLiteral("EncryptionInfo"), QByteArray(64, 'i')},
                 {QStringLiteral("EncryptedPackage"), QByteArray(512, 'p')}}
      << ReasonPasswordProtected();
  QTest::newRow("Word document") << Streams{{QStringLiteral("WordDocument"), QByteArray(512, 'w')}}
                                 << ReasonNotAWorkbook();
  QTest::newRow("BIFF4 in OLE2") << Streams{{wb, Record(0x0409, U16(0) + U16(0x10)) + Record(0x000A, {})}}
                                 << ReasonUnsupportedVersion();
  QTest::newRow("unknown BIFF version")
      << Streams{{wb, Record(0x0809, U16(0x0400) + U16(5)) + Record(0x000A, {})}} << ReasonUnsupportedVersion();
  QTest::newRow("empty stream") << Streams{{wb, {}}} << ReasonDamaged();
  QTest::newRow("no BOF") << Streams{{wb, Number(0, 0, 1)}} << ReasonDamaged();
  QTest::newRow("no sheets") << Streams{{wb, OneSheet({}, {}).left(20) + Record(0x000A, {})}} << ReasonDamaged();
  QTest::newRow("cut in a sheet") << Streams{{wb, good.left(good.size() - 6)}} << ReasonDamaged();
  QTest::newRow("cut in the globals") << Streams{{wb, good.left(30)}} << ReasonDamaged();
  QByteArray badOffset = good;
  badOffset.replace(badOffset.indexOf(QByteArray::fromHex("8500")) + 4, 4, U32(0x7FFFFFFF));
  QTest::newRow("sheet offset past the end") << Streams{{wb, badOffset}} << ReasonDamaged();
  QByteArray notBof = good;
  notBof.replace(notBof.indexOf(QByteArray::fromHex("8500")) + 4, 4, U32(2));
  QTest::newRow("sheet offset not at a BOF") << Streams{{wb, notBof}} << ReasonDamaged();
  QByteArray atGlobals = good;
  atGlobals.replace(atGlobals.indexOf(QByteArray::fromHex("8500")) + 4, 4, U32(0));
  QTest::newRow("sheet offset at the globals") << Streams{{wb, atGlobals}} << ReasonDamaged();
  // Two sheets on one substream: every further sheet would parse the same bytes again.
  QByteArray shared = WorkbookStream({}, {Sheet{QStringLiteral("a"), Number(0, 0, 1)},
                                          Sheet{QStringLiteral("b"), Number(0, 0, 2)}});
  const int first = int(shared.indexOf(QByteArray::fromHex("8500")));
  const int second = int(shared.indexOf(QByteArray::fromHex("8500"), first + 4));
  shared.replace(second + 4, 4, shared.mid(first + 4, 4));
  QTest::newRow("two sheets at one offset") << Streams{{wb, shared}} << ReasonDamaged();
}

void TestXlsReader::refusals() {
  QFETCH(Streams, streams);
  QFETCH(QString, reason);
  const Reading r = ReadStreams(streams);
  QVERIFY(!r.ok);
  QCOMPARE(r.reason, reason);
  QVERIFY(r.sheets.empty());
}

// The rule of tests/workbook/xls/make_long_strings.py, which wrote long_strings.xls.
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

void TestXlsReader::rawBiffFiles_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("cells");  // empty: refused with the reason
  QTest::addColumn<QString>("reason");
  auto bof = [](int type, int kind) { return Record(type, U16(0) + U16(kind) + U16(0)); };
  const QByteArray eof = Record(0x000A, {});
  auto label8 = [](int type, int row, int col, const QByteArray &bytes) {
    return Record(type, U16(row) + U16(col) + U16(0) + U16(int(bytes.size())) + bytes);
  };
  // BIFF3: formats by order (the second a date), XFs pointing at them, cells of every kind.
  const QByteArray biff3 =
      bof(0x0209, 0x10) + Record(0x0042, U16(1252)) + Record(0x001E, U8(7) + "General") +
      Record(0x001E, U8(10) + "dd.mm.yyyy") + Record(0x0243, U8(0) + U8(0) + QByteArray(10, '\0')) +
      Record(0x0243, U8(0) + U8(1) + QByteArray(10, '\0')) + label8(0x0204, 0, 0, "Caf\xE9") +
      Number(1, 0, 45366, 1) + Rk(1, 1, (7u << 2) | 2) +
      Record(0x0206, U16(2) + U16(0) + U16(0) + Tagged(0, 0) + U16(0) + U16(0)) +
      Record(0x0207, U16(2) + "ok") + eof;
  QTest::newRow("BIFF3 worksheet") << biff3 << QStringLiteral("1,1=Café;2,1=2024-03-15;2,2=7;3,1=ok")
                                   << QString();
  // BIFF2: attribute bytes instead of XF indices; the second byte names the format.
  const QByteArray attr = U8(0) + U8(1) + U8(0);
  const QByteArray biff2 =
      bof(0x0009, 0x10) + Record(0x001E, U8(1) + "0") + Record(0x001E, U8(8) + "yyyy-m-d") +
      Record(0x0002, U16(0) + U16(0) + U8(0) + U8(0) + U8(0) + U16(42)) +
      Record(0x0003, U16(0) + U16(1) + attr + F64(45366)) +
      Record(0x0004, U16(1) + U16(0) + U8(0) + U8(0) + U8(0) + U8(3) + "abc") +
      Record(0x0005, U16(1) + U16(1) + U8(0) + U8(0) + U8(0) + U8(1) + U8(0)) +
      Record(0x0006, U16(2) + U16(0) + U8(0) + U8(0) + U8(0) + Tagged(0, 0) + U8(0) + U8(0)) +
      Record(0x0007, U8(2) + "hi") + eof;
  QTest::newRow("BIFF2 worksheet") << biff2 << QStringLiteral("1,1=42;1,2=2024-03-15;2,1=abc;2,2=TRUE;3,1=hi")
                                   << QString();
  QTest::newRow("bare BIFF8 stream") << OneSheet({}, Number(0, 0, 3)) << QStringLiteral("1,1=3") << QString();
  QTest::newRow("BIFF4 workbook") << bof(0x0409, 0x100) + eof << QString() << ReasonUnsupportedVersion();
  QTest::newRow("BIFF3 with FILEPASS") << bof(0x0209, 0x10) + Record(0x002F, U32(0)) + eof << QString()
                                       << ReasonPasswordProtected();
  QTest::newRow("BIFF3 cut short") << biff3.left(biff3.size() - 8) << QString() << ReasonDamaged();
  QTest::newRow("text file") << QByteArray("name,mail\n") << QString() << ReasonNotAWorkbook();
}

void TestXlsReader::rawBiffFiles() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, cells);
  QFETCH(QString, reason);
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("工资表.xls")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();
  const Reading r = ReadFile(file.fileName());
  if (cells.isEmpty()) {
    QVERIFY(!r.ok);
    QCOMPARE(r.reason, reason);
    return;
  }
  QVERIFY2(r.ok, qPrintable(r.reason));
  QCOMPARE(int(r.sheets.size()), 1);
  QCOMPARE(Cells(r.sheets[0]), cells);
  if (!bytes.startsWith(QByteArray::fromHex("0908")))
    QCOMPARE(r.sheets[0].name(), QStringLiteral("工资表"));  // Excel's name for such a sheet
}

void TestXlsReader::damagedStreamsFailCleanly() {
  // Cut and scrambled variants of a workbook with every kind of record: each must be read or
  // refused as damaged, never crash, hang or allocate wildly (run under ASan in CI).
  const QByteArray sst = Record(kSst, U32(3) + U32(3) + UnicodeString(QStringLiteral("姓名")) + U16(6) + U8(0) + "abc") +
                         Record(kContinue, U8(1) + Utf16(QStringLiteral("def")) + UnicodeString(QStringLiteral("e")));
  const QByteArray cells = LabelSst(0, 0, 0) + LabelSst(0, 1, 1) + Number(1, 0, 3.5, 1) +
                           Rk(1, 1, (9u << 2) | 2) + Formula(2, 0, Tagged(0, 0)) +
                           Record(kString, UnicodeString(QStringLiteral("s"))) +
                           Record(0x00E5, U16(1) + U16(3) + U16(4) + U16(0) + U16(1));
  const QByteArray stream = OneSheet(FormatGlobals() + sst, cells);
  QTemporaryDir dir;
  QRandomGenerator random(20240315);
  QStringList seen;
  for (int i = 0; i < 160; ++i) {
    QByteArray variant = stream;
    if (i < 40) {
      variant.truncate(variant.size() * i / 40);
    } else {
      for (int k = 0; k < 1 + i % 4; ++k)
        variant[random.bounded(int(variant.size()))] = char(random.bounded(256));
    }
    const QString path = dir.filePath(QStringLiteral("v%1.xls").arg(i));
    QVERIFY(WriteCompoundFile(path, {{QStringLiteral("Workbook"), variant}}));
    const Reading r = ReadFile(path);
    // Read from memory (as the fuzz target does), the same file gives the same result.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    std::vector<Worksheet> fromMemory;
    QString memoryReason;
    QCOMPARE(ReadXlsWorkbookBytes(bytes.constData(), size_t(bytes.size()), fromMemory, memoryReason), r.ok);
    QCOMPARE(memoryReason, r.reason);
    QCOMPARE(fromMemory.size(), r.sheets.size());
    if (r.ok) QCOMPARE(Cells(fromMemory[0]), Cells(r.sheets[0]));
    if (!r.ok) {
      QVERIFY2(r.reason == ReasonDamaged() || r.reason == ReasonUnsupportedVersion() ||
                   r.reason == ReasonPasswordProtected(),
               qPrintable(r.reason));
      QVERIFY(r.sheets.empty());
    }
    seen << (r.ok ? QStringLiteral("read") : QStringLiteral("refused"));
  }
  QVERIFY(seen.contains(QStringLiteral("read")));
  QVERIFY(seen.contains(QStringLiteral("refused")));
}

QTEST_GUILESS_MAIN(TestXlsReader)
#include "tst_xls_reader.moc"
