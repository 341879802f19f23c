#include <QTemporaryDir>
#include <QTest>

#include "PackageWriter.h"
#include "SheetDump.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/WorkbookFile.h"

// The .ods reader over hand-made content.xml parts.
class TestOdsReader : public QObject {
  Q_OBJECT

 private slots:
  void tables_data() {
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("usedRange");
    QTest::addColumn<QString>("merges");
    QTest::newRow("value types")
        << QByteArray(
               "<table:table-row>"
               "<table:table-cell office:value-type=\"float\" "
               "office:value=\"1234.5\"><text:p>1,234.50</text:p></table:table-cell>"
               "<table:table-cell office:value-type=\"currency\" office:currency=\"CNY\" "
               "office:value=\"9.87654\"><text:p>¥9.88</text:p></table:table-cell>"
               "<table:table-cell office:value-type=\"percentage\" office:value=\"0.25\"/>"
               "<table:table-cell office:value-type=\"date\" office:date-value=\"2026-11-30\"/>"
               "<table:table-cell office:value-type=\"date\" "
               "office:date-value=\"2026-11-30T08:30:00\"/>"
               "<table:table-cell office:value-type=\"time\" office:time-value=\"PT13H05M09S\"/>"
               "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
               "<table:table-cell office:value-type=\"string\" "
               "calcext:value-type=\"error\"><text:p>#DIV/0!</text:p></table:table-cell>"
               "</table:table-row>")
        << "R1C1=1234.5; R1C2=9.8765; R1C3=0.25; R1C4=2026-11-30; R1C5=2026-11-30 08:30:00; "
           "R1C6=13:05:09; R1C7=TRUE; R1C8=#DIV/0!"
        << "R1C1:R1C8"
        << "";
    QTest::newRow("text: spaces, tabs, line breaks, paragraphs; notes left out")
        << QByteArray(
               "<table:table-row><table:table-cell office:value-type=\"string\">"
               "<office:annotation><text:p>a note</text:p></office:annotation>"
               "<text:p>张<text:s "
               "text:c=\"3\"/>三<text:tab/>x</text:p><text:p><text:span>second</"
               "text:span><text:line-break/>line</text:p>"
               "</table:table-cell></table:table-row>")
        << "R1C1=张   三\tx\nsecond\nline"
        << "R1C1:R1C1"
        << "";
    QTest::newRow("repeated empty rows and cells cost nothing, repeated values are expanded")
        << QByteArray(
               "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
               "table:number-columns-repeated=\"16384\"/></table:table-row>"
               "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
               "table:number-columns-repeated=\"2\"/>"
               "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"float\" "
               "office:value=\"7\"/></table:table-row>"
               "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
               "table:number-columns-repeated=\"1024\"/></table:table-row>")
        << "R3C3=7; R3C4=7; R4C3=7; R4C4=7"
        << "R3C3:R4C4"
        << "";
    QTest::newRow("spans are merged blocks, covered cells read empty")
        << QByteArray(
               "<table:table-row><table:table-cell table:number-columns-spanned=\"3\" "
               "table:number-rows-spanned=\"2\" "
               "office:value-type=\"string\"><text:p>title</text:p></table:table-cell>"
               "<table:covered-table-cell table:number-columns-repeated=\"2\" "
               "office:value-type=\"string\"><text:p>hidden</text:p></table:covered-table-cell>"
               "<table:table-cell office:value-type=\"float\" "
               "office:value=\"1\"/></table:table-row>"
               "<table:table-row><table:covered-table-cell "
               "table:number-columns-repeated=\"3\"/></table:table-row>")
        << "R1C1=title; R1C4=1"
        << "R1C1:R2C4"
        << "R1C1:R2C3";
  }
  void tables() {
    QFETCH(QByteArray, table);
    QFETCH(QString, cells);
    QFETCH(QString, usedRange);
    QFETCH(QString, merges);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.ods"));
    QVERIFY(WriteOds(path, "<table:table table:name=\"Sheet1\">" + table + "</table:table>"));
    std::vector<Worksheet> sheets;
    QString reason;
    QVERIFY2(ReadWorkbookFile(path, sheets, reason), qPrintable(reason));
    QCOMPARE(sheets.size(), size_t{1});
    QCOMPARE(CellsLine(sheets[0]), cells);
    QCOMPARE(UsedRangeLine(sheets[0]), usedRange);
    QCOMPARE(MergesLine(sheets[0]), merges);
  }

  void tablesInOrderWithHiddenOnes() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.ods"));
    QVERIFY(
        WriteOds(path,
                 "<table:table table:name=\"工资\"/><table:table table:name=\"Secret\" "
                 "table:style-name=\"ta2\"/>"
                 "<table:table table:name=\"It's\" table:style-name=\"ta1\"/>",
                 "<style:style style:name=\"ta1\" style:family=\"table\"><style:table-properties "
                 "table:display=\"true\"/></style:style>"
                 "<style:style style:name=\"ta2\" style:family=\"table\"><style:table-properties "
                 "table:display=\"false\"/></style:style>"));
    std::vector<Worksheet> sheets;
    QString reason;
    QVERIFY2(ReadWorkbookFile(path, sheets, reason), qPrintable(reason));
    QCOMPARE(sheets.size(), size_t{3});
    QCOMPARE(sheets[0].name(), QStringLiteral("工资"));
    QCOMPARE(sheets[1].hidden(), true);
    QCOMPARE(sheets[2].name(), QStringLiteral("It's"));
    QCOMPARE(sheets[2].hidden(), false);
    QCOMPARE(UsedRangeLine(sheets[0]), QStringLiteral("R1C1:R1C1"));  // an empty table
  }

  // The fixtures hold the same content in every format; the .ods must read like the .xlsx.
  void sameReadingAsTheXlsxFixtures_data() {
    QTest::addColumn<QString>("name");
    for (const char *name : {"edge_cases", "dates_1900", "dates_1904", "text_values", "formulas",
                             "many_sheets", "payroll"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void sameReadingAsTheXlsxFixtures() {
    QFETCH(QString, name);
    std::vector<Worksheet> ods, xlsx;
    QString reason;
    QVERIFY2(ReadWorkbookFile(FixturePath(name + QStringLiteral(".ods")), ods, reason),
             qPrintable(reason));
    QVERIFY2(ReadWorkbookFile(FixturePath(name + QStringLiteral(".xlsx")), xlsx, reason),
             qPrintable(reason));
    QCOMPARE(ods.size(), xlsx.size());
    for (size_t i = 0; i < ods.size(); ++i) {
      QCOMPARE(ods[i].name(), xlsx[i].name());
      QCOMPARE(ods[i].hidden(), xlsx[i].hidden());
      QCOMPARE(UsedRangeLine(ods[i]), UsedRangeLine(xlsx[i]));
      QCOMPARE(MergesLine(ods[i]), MergesLine(xlsx[i]));
      QCOMPARE(CellsLine(ods[i]), CellsLine(xlsx[i]));
    }
  }

  void repeatedValuesPastTheBudgetAreRefused() {
    // A billion rows of a billion cells holding "X": refused before anything is expanded.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dos.ods"));
    QVERIFY(WriteOds(
        path,
        "<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"999999999\">"
        "<table:table-cell table:number-columns-repeated=\"999999999\" "
        "office:value-type=\"string\">"
        "<text:p>X</text:p></table:table-cell></table:table-row></table:table>"));
    std::vector<Worksheet> sheets;
    QString reason;
    QVERIFY(!ReadWorkbookFile(path, sheets, reason));
    QCOMPARE(reason, ReasonTooManyCells());
  }
};

QTEST_GUILESS_MAIN(TestOdsReader)
#include "tst_ods_reader.moc"
