#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "PackageWriter.h"
#include "SheetDump.h"
#include "workbook/CellText.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/WorkbookFile.h"

// The .xlsx reader: the checked-in fixtures and hand-made packages in the spellings of
// other writers.
class TestXlsxReader : public QObject {
  Q_OBJECT

  std::vector<Worksheet> read(const QString &path) {
    std::vector<Worksheet> sheets;
    QString reason;
    if (!ReadWorkbookFile(path, sheets, reason))
      qWarning("%s: %s", qPrintable(path), qPrintable(reason));
    return sheets;
  }

 private slots:
  void fixtureCells_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("cells");
    QTest::newRow("offset used range")
        << "edge_cases.xlsx" << 2
        << "R3C2=top left; R3C5=top right; R7C3=42; R12C2=bottom left; R12C5=99.5";
    QTest::newRow("formulas: cached results, none when never calculated")
        << "formulas.xlsx" << 1
        << "R1C1=10; R2C1=32.5; R3C1=42.5; R4C1=30; R5C1=TRUE; R6C1=#DIV/0!; R8C1=2026-01-01";
    QTest::newRow("merged block: only its top-left holds the value")
        << "edge_cases.xlsx" << 4 << "R1C6=right; R2C2=block value; R5C1=below";
  }
  void fixtureCells() {
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(QString, cells);
    const auto sheets = read(FixturePath(file));
    QVERIFY(static_cast<int>(sheets.size()) >= sheet);
    QCOMPARE(CellsLine(sheets[sheet - 1]), cells);
  }

  void fixtureCellTexts_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    const struct {
      const char *file;
      int row, column;
      const char *text;
    } rows[] = {
        {"edge_cases.xlsx#3", 1, 2, "1234.5"},  // #,##0.00
        {"edge_cases.xlsx#3", 2, 2, "5000"},    // shown as 5,000.00
        {"edge_cases.xlsx#3", 3, 2, "0.3"},
        {"edge_cases.xlsx#3", 5, 2, "0.125"},      // a percent format changes nothing
        {"edge_cases.xlsx#3", 6, 2, "1234.5678"},  // a quoted ¥ is only text of the format
        {"edge_cases.xlsx#3", 7, 2, "1234.5679"},  // [$¥-804]: a currency, four decimals
        {"edge_cases.xlsx#3", 9, 2, "1.23456789012346E+15"},
        {"edge_cases.xlsx#3", 13, 2, "1.5E+20"},
        {"dates_1900.xlsx#1", 1, 2, "2026-11-30"},
        {"dates_1900.xlsx#1", 3, 2, "2026-03-07 14:30:00"},
        {"dates_1900.xlsx#1", 5, 2, "09:15:00"},
        {"dates_1900.xlsx#1", 9, 2, "1904-01-02"},
        {"dates_1900.xlsx#1", 10, 2, "45000"},
        {"dates_1904.xlsx#1", 1, 2, "2026-11-30"},
        {"dates_1904.xlsx#1", 4, 2, "2024-02-29 08:05:09"},
        {"dates_1904.xlsx#1", 9, 2, "1904-01-02"},
        // As Excel for Mac writes the workbook part (markup compatibility, x15:workbookPr).
        {"date1904_mac.xlsx#1", 2, 1, "1904-01-02"},
        {"date1904_mac.xlsx#1", 3, 1, "2024-01-02"},
        {"text_values.xlsx#1", 3, 2, "Zhang San 张三 ✓ é"},
        {"text_values.xlsx#1", 4, 2, "  padded  "},
        {"text_values.xlsx#1", 5, 2, "first\nsecond"},
        {"text_values.xlsx#1", 6, 2, "00123"},
        {"text_values.xlsx#1", 9, 2, "FALSE"},
        {"text_values.xlsx#1", 10, 2, "#N/A"},
        {"payroll.xlsx#1", 9, 9, "47157.85"},  // a SUM with its cached result
    };
    for (const auto &r : rows)
      QTest::addRow("%s R%dC%d", r.file, r.row, r.column)
          << QString::fromLatin1(r.file) << r.row << r.column << QString::fromUtf8(r.text);
  }
  void fixtureCellTexts() {
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    const auto sheets = read(FixturePath(file.section(QLatin1Char('#'), 0, 0)));
    const int sheet = file.section(QLatin1Char('#'), 1).toInt();
    QVERIFY(static_cast<int>(sheets.size()) >= sheet);
    const Worksheet &s = sheets[sheet - 1];
    QCOMPARE(CellValueText(s, s.value(row, column), CellTextStyle::Neutral), text);
  }

  void sheetsInOrderWithHiddenOnes() {
    const auto sheets = read(FixturePath(QStringLiteral("many_sheets.xlsx")));
    QStringList names, hidden;
    for (const Worksheet &s : sheets) {
      names.append(s.name());
      if (s.hidden()) hidden.append(s.name());
    }
    QCOMPARE(names, QStringList({"First", "Hidden", "It's", "Very hidden", "工资表"}));
    QCOMPARE(hidden, QStringList({"Hidden", "Very hidden"}));
  }

  // Hand-made packages: the sheet XML, the shared strings and styles, the target spelling.
  void packageVariants_data() {
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("sharedStrings");
    QTest::addColumn<QByteArray>("styles");
    QTest::addColumn<QByteArray>("workbookExtra");
    QTest::addColumn<QString>("targetPrefix");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("usedRange");
    const QByteArray sst =
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<si><t>plain</t></si>"
        "<si><r><t>rich </t></r><r><rPr><b/></rPr><t>text</t></r><rPh sb=\"0\" "
        "eb=\"1\"><t>フリガナ</t></rPh></si>"
        "<si><t>line_x000D_\nbreak</t></si></sst>";
    const QByteArray styles =
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<numFmts><numFmt numFmtId=\"164\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"#,##0.00_);[Red]\\(#,##0.00\\)\"/></numFmts>"
        "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
        "<xf numFmtId=\"165\"/><xf numFmtId=\"31\"/><xf numFmtId=\"21\"/></cellXfs></styleSheet>";
    const QString rel = QStringLiteral("worksheets/");
    QTest::newRow("shared strings: rich text runs joined, phonetic left out, _x000D_ decoded")
        << QByteArray(
               "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
               "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>7</v></c></row>")
        << QByteArray() << sst << QByteArray() << QByteArray() << rel
        << "R1C1=plain; R1C2=rich text; R1C3=line\r\nbreak"
        << "R1C1:R1C3";
    QTest::newRow("inline strings, str formulas, booleans, errors, ISO dates")
        << QByteArray(
               "<row r=\"2\"><c r=\"B2\" "
               "t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
               "<c r=\"C2\" t=\"str\"><f>A1&amp;\"x\"</f><v>joined</v></c><c r=\"D2\" "
               "t=\"b\"><v>1</v></c>"
               "<c r=\"E2\" t=\"e\"><v>#REF!</v></c><c r=\"F2\" "
               "t=\"d\"><v>2024-02-29T13:45:00</v></c></row>")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << rel
        << "R2C2=inline; R2C3=joined; R2C4=TRUE; R2C5=#REF!; R2C6=2024-02-29 13:45:00"
        << "R2C2:R2C6";
    QTest::newRow("cells and rows without r attributes follow the previous ones")
        << QByteArray(
               "<row><c><v>1</v></c><c><v>2</v></c></row><row><c "
               "r=\"C2\"><v>3</v></c><c><v>4</v></c></row>"
               "<row r=\"5\"><c><v>5</v></c></row>")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << rel
        << "R1C1=1; R1C2=2; R2C3=3; R2C4=4; R5C1=5"
        << "R1C1:R5C4";
    QTest::newRow(
        "number formats: built-in and custom dates, a grouped number, the CJK built-in 31")
        << QByteArray(
               "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45000</v></c><c r=\"B1\" "
               "s=\"2\"><v>45000.5</v></c>"
               "<c r=\"C1\" s=\"3\"><v>-1234.5</v></c><c r=\"D1\" s=\"4\"><v>45001</v></c>"
               "<c r=\"E1\" s=\"5\"><v>0.75</v></c><c r=\"F1\" s=\"99\"><v>7</v></c></row>")
        << QByteArray() << QByteArray() << styles << QByteArray() << rel
        << "R1C1=2023-03-15; R1C2=2023-03-15 12:00:00; R1C3=-1234.5; R1C4=2023-03-16; "
           "R1C5=18:00:00; R1C6=7"
        << "R1C1:R1C6";
    QTest::newRow("a differential format's numFmt does not redefine the cell format")
        << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45000.25</v></c></row>") << QByteArray()
        << QByteArray()
        << QByteArray(
               "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"0.00\"/></numFmts>"
               "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/></cellXfs>"
               "<dxfs><dxf><numFmt numFmtId=\"164\" "
               "formatCode=\"yyyy-mm-dd\"/></dxf></dxfs></styleSheet>")
        << QByteArray() << rel << "R1C1=45000.25"
        << "R1C1:R1C1";
    QTest::newRow("1904 date system from workbookPr")
        << QByteArray(
               "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c><c r=\"B1\" "
               "s=\"1\"><v>1462</v></c></row>")
        << QByteArray() << QByteArray() << styles << QByteArray("<workbookPr date1904=\"1\"/>")
        << rel << "R1C1=00:00:00; R1C2=1908-01-02"
        << "R1C1:R1C2";
    QTest::newRow("1904 date system spelled true, with blanks")
        << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1462</v></c></row>") << QByteArray()
        << QByteArray() << styles << QByteArray("<workbookPr date1904=\" true \"/>") << rel
        << "R1C1=1908-01-02"
        << "R1C1:R1C1";
    QTest::newRow("1904 date system kept past the x15:workbookPr of the extension list")
        << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1462</v></c></row>") << QByteArray()
        << QByteArray() << styles
        << QByteArray(
               "<workbookPr date1904=\"1\"/><extLst><ext "
               "uri=\"{140A7094-0E35-4892-8432-C4D2E57EDEB5}\"><x15:workbookPr "
               "chartTrackingRefBase=\"1\"/></ext></extLst>")
        << rel << "R1C1=1908-01-02"
        << "R1C1:R1C1";
    QTest::newRow("date1904=\"0\" is the 1900 system")
        << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1462</v></c></row>") << QByteArray()
        << QByteArray() << styles << QByteArray("<workbookPr date1904=\"0\"/>") << rel
        << "R1C1=1904-01-01"
        << "R1C1:R1C1";
    QTest::newRow("absolute targets, as openpyxl writes them")
        << QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>") << QByteArray() << QByteArray()
        << QByteArray() << QByteArray() << QStringLiteral("/xl/worksheets/") << "R1C1=1"
        << "R1C1:R1C1";
    QTest::newRow("backslash separators in targets")
        << QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>") << QByteArray() << QByteArray()
        << QByteArray() << QByteArray() << QStringLiteral("worksheets\\") << "R1C1=1"
        << "R1C1:R1C1";
    QTest::newRow("styled blanks and uncalculated formulas do not widen the used range")
        << QByteArray(
               "<row r=\"2\"><c r=\"B2\"><v>1</v></c><c r=\"Z2\" s=\"3\"/></row>"
               "<row r=\"900\"><c r=\"A900\" s=\"1\"/><c r=\"C900\"><f>B2*2</f></c></row>")
        << QByteArray() << QByteArray() << styles << QByteArray() << rel << "R2C2=1"
        << "R2C2:R2C2";
    QTest::newRow("a declared dimension of the whole sheet is only a hint")
        << QByteArray("<row r=\"3\"><c r=\"C3\"><v>1</v></c></row>") << QByteArray() << QByteArray()
        << QByteArray() << QByteArray() << rel << "R3C3=1"
        << "R3C3:R3C3";
    QTest::newRow("merged areas widen the used range; a value under a block reads empty")
        << QByteArray("<row r=\"2\"><c r=\"B2\"><v>1</v></c><c r=\"C2\"><v>2</v></c></row>")
        << QByteArray(
               "<mergeCells count=\"2\"><mergeCell ref=\"B2:C3\"/><mergeCell "
               "ref=\"E5:F6\"/></mergeCells>")
        << QByteArray() << QByteArray() << QByteArray() << rel << "R2C2=1"
        << "R2C2:R6C6";
    QTest::newRow("references beyond the sheet and broken values are skipped")
        << QByteArray(
               "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c><c r=\"A1\"><v>abc</v></c><c r=\"B1\" "
               "t=\"s\"><v>99</v></c>"
               "<c r=\"C1\"><v>2</v></c></row><row r=\"1048577\"><c "
               "r=\"A1048577\"><v>3</v></c></row>")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << rel << "R1C3=2"
        << "R1C3:R1C3";
  }
  void packageVariants() {
    QFETCH(QByteArray, rows);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, sharedStrings);
    QFETCH(QByteArray, styles);
    QFETCH(QByteArray, workbookExtra);
    QFETCH(QString, targetPrefix);
    QFETCH(QString, cells);
    QFETCH(QString, usedRange);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    XlsxParts parts;
    QByteArray sheet = SheetXml(rows, after);
    if (QTest::currentDataTag() ==
        QLatin1String("a declared dimension of the whole sheet is only a hint"))
      sheet.replace("<sheetData>", "<dimension ref=\"A1:XFD1048576\"/><sheetData>");
    parts.sheets = {sheet};
    parts.sharedStrings = sharedStrings;
    parts.styles = styles;
    parts.workbookExtra = workbookExtra;
    parts.targetPrefix = targetPrefix;
    QVERIFY(WriteXlsx(path, parts));
    const auto sheets = read(path);
    QCOMPARE(sheets.size(), size_t{1});
    QCOMPARE(CellsLine(sheets[0]), cells);
    QCOMPARE(UsedRangeLine(sheets[0]), usedRange);
  }

  void sheetStatesAndChartSheetsLeftOut() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("states.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml(""), SheetXml(""), SheetXml("")};
    parts.sheetStates = {QString(), QStringLiteral("hidden"), QStringLiteral("veryHidden")};
    QVERIFY(WriteXlsx(path, parts));
    auto sheets = read(path);
    QCOMPARE(sheets.size(), size_t{3});
    QCOMPARE(sheets[0].hidden(), false);
    QCOMPARE(sheets[1].hidden(), true);
    QCOMPARE(sheets[2].hidden(), true);
  }

  void aPartInflatingPastItsBoundIsRefused() {
    // 70 MB of blanks deflate to a few kilobytes: the reader stops at the bound, not at the end.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bomb.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")};
    parts.styles = "<styleSheet>" + QByteArray(70 << 20, ' ') + "</styleSheet>";
    QVERIFY(WriteXlsx(path, parts));
    QVERIFY(QFileInfo(path).size() < 1 << 20);
    std::vector<Worksheet> sheets;
    QString reason;
    QVERIFY(!ReadWorkbookFile(path, sheets, reason));
    QCOMPARE(reason, ReasonPartTooLarge());
  }

  void hostilePackagesAreRefused_data() {
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<QByteArray>("sharedStrings");
    QTest::addColumn<QString>("reason");
    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE sst [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
        "\"&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><sst><si><t>&c;</t></si></sst>";
    const QByteArray external =
        "<?xml version=\"1.0\"?><!DOCTYPE worksheet [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" "
        "t=\"inlineStr\"><is><t>&x;</t></is></c></row></sheetData></worksheet>";
    QTest::newRow("nested entities in the shared strings")
        << SheetXml("") << laughs << ReasonDamaged();
    QTest::newRow("an external entity in a sheet") << external << QByteArray() << ReasonDamaged();
    QTest::newRow("a sheet cut off in the middle")
        << QByteArray("<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1") << QByteArray()
        << ReasonDamaged();
    QTest::newRow("an undefined entity")
        << SheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&nbsp;</t></is></c></row>")
        << QByteArray() << ReasonDamaged();
  }
  void hostilePackagesAreRefused() {
    QFETCH(QByteArray, sheet);
    QFETCH(QByteArray, sharedStrings);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hostile.xlsx"));
    XlsxParts parts;
    parts.sheets = {sheet};
    parts.sharedStrings = sharedStrings;
    QVERIFY(WriteXlsx(path, parts));
    std::vector<Worksheet> sheets;
    QString got;
    QVERIFY(!ReadWorkbookFile(path, sheets, got));
    QCOMPARE(got, reason);
    QVERIFY(sheets.empty());
  }
};

QTEST_GUILESS_MAIN(TestXlsxReader)
#include "tst_xlsx_reader.moc"
