#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "PackageWriter.h"
#include "SheetDump.h"
#include "workbook/CellText.h"
#include "workbook/ReadLimits.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/WorkbookFile.h"

// Files shaped to cost a reader or the layout analysis far more than they hold, packages with
// a damaged part that Excel repairs, and what other programs export under a workbook's name:
// each is read at the cost of what it holds, opened, or refused with a reason that says why.
class TestHostileWorkbooks : public QObject {
  Q_OBJECT

  static QString refusal(const QString &path) {
    std::vector<Worksheet> sheets;
    QString reason;
    if (ReadWorkbookFile(path, sheets, reason)) return QStringLiteral("(read)");
    if (!sheets.empty()) return QStringLiteral("(sheets left behind)");
    return reason;
  }

  static const QByteArray &mainNs() {
    static const QByteArray ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    return ns;
  }

 private slots:
  // The used range of each spans the whole sheet (1.7e10 positions); the analysis answers as
  // the walk over every position would, from the few cells and blocks stored.
  void wholeSheetShapesAreAnalysedFromWhatTheyHold_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("firstDataRow");
    QTest::addColumn<int>("emailColumn");
    QTest::addColumn<int>("nameColumn");
    QTest::addColumn<QString>("subject");
    QTest::newRow("one value at XFD1048576")
        << "far_corner.xlsx" << 0 << 0 << 0 << QStringLiteral("far_corner[Sheet1]");
    QTest::newRow("every cell merged, three times over")
        << "merged_sheet.xlsx" << 0 << 0 << 0 << QStringLiteral("2024年1月工资表");
    QTest::newRow("address in the last row beside a block over the whole header")
        << "tall_header.xlsx" << 1048576 << 1 << 0 << QStringLiteral("tall_header[Sheet1]");
    QTest::newRow(".ods cell spanning the whole sheet")
        << "spanning_cell.ods" << 0 << 0 << 0 << QStringLiteral("2024年1月工资表");
  }
  void wholeSheetShapesAreAnalysedFromWhatTheyHold() {
    QFETCH(QString, file);
    QFETCH(int, firstDataRow);
    QFETCH(int, emailColumn);
    QFETCH(int, nameColumn);
    QFETCH(QString, subject);
    std::unique_ptr<SpreadsheetInstance> book;
    QString message;
    QVERIFY2(OpenWorkbook(FixturePath(file), book, message), qPrintable(message));
    QCOMPARE(book->usedLastRow(), SheetLimits::kRows);
    QCOMPARE(book->usedLastColumn(), SheetLimits::kColumns);
    const SheetLayout layout = AnalyseSheetLayout(*book, file.section(QLatin1Char('.'), 0, 0));
    QCOMPARE(layout.FirstDataRowNumber, firstDataRow);
    QCOMPARE(layout.EmailColumnNumber, emailColumn);
    QCOMPARE(layout.NameColumnNumber, nameColumn);
    QCOMPARE(layout.MaxRowNumber, SheetLimits::kRows);
    QCOMPARE(layout.MailTitle, subject);
    QString address;
    QCOMPARE(GetRowEmail(*book, SheetLimits::kRows, address), firstDataRow == SheetLimits::kRows);
  }

  // A gigabyte in one cell deflates to a megabyte: the reader refuses it when the character
  // data passes what a cell can hold, long before the end of the part.
  void gigabyteCellsAreRefusedAsTheyArrive_data() {
    QTest::addColumn<QString>("part");
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<char>("fill");
    QTest::addColumn<QByteArray>("tail");
    const QByteArray sheetHead = "<worksheet xmlns=\"" + mainNs() + "\"><sheetData><row r=\"1\">";
    const QByteArray sheetTail = "</row></sheetData></worksheet>";
    QTest::newRow("a number of zeros")
        << "xl/worksheets/sheet1.xml" << sheetHead + "<c r=\"A1\"><v>" << '0'
        << "</v></c>" + sheetTail;
    QTest::newRow("a shared string")
        << "xl/sharedStrings.xml"
        << "<sst xmlns=\"" + mainNs() + "\"><si><t>" << 'x' << QByteArray("</t></si></sst>");
  }
  void gigabyteCellsAreRefusedAsTheyArrive() {
    QFETCH(QString, part);
    QFETCH(QByteArray, head);
    QFETCH(char, fill);
    QFETCH(QByteArray, tail);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>")};
    parts.sharedStrings = "<sst/>";
    QVERIFY(WriteXlsx(path, parts, {GeneratedPart{part, head, fill, qint64{1} << 30, tail}}));
    QVERIFY(QFileInfo(path).size() < 2 << 20);
    QCOMPARE(refusal(path), ReasonCellTooLong());
  }

  // Excel's limit, 32,767 characters, holds exactly: escapes count as the character they
  // stand for.
  void cellLengthLimit_data() {
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QByteArray>("sharedStrings");
    QTest::addColumn<bool>("read");
    const QByteArray most(ReadLimits::kCellChars, 'x');
    const QByteArray escapedMost = QByteArray("_x000D_").repeated(ReadLimits::kCellChars);
    auto inlineCell = [](const QByteArray &text) {
      return "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text + "</t></is></c></row>";
    };
    const QByteArray sharedCell = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>";
    auto sst = [](const QByteArray &text) { return "<sst><si><t>" + text + "</t></si></sst>"; };
    QTest::newRow("inline string at the limit") << inlineCell(most) << QByteArray() << true;
    QTest::newRow("inline string one past") << inlineCell(most + "y") << QByteArray() << false;
    QTest::newRow("escaped inline string at the limit")
        << inlineCell(escapedMost) << QByteArray() << true;
    QTest::newRow("escaped inline string one past")
        << inlineCell(escapedMost + "_x000A_") << QByteArray() << false;
    QTest::newRow("shared string at the limit") << sharedCell << sst(most) << true;
    QTest::newRow("shared string one past") << sharedCell << sst(most + "y") << false;
    QTest::newRow("rich text runs adding up past it")
        << sharedCell << "<sst><si><r><t>" + most + "</t></r><r><t>y</t></r></si></sst>" << false;
    QTest::newRow("number one past")
        << "<row r=\"1\"><c r=\"A1\"><v>" + QByteArray(ReadLimits::kCellChars + 1, '0') +
               "</v></c></row>"
        << QByteArray() << false;
  }
  void cellLengthLimit() {
    QFETCH(QByteArray, rows);
    QFETCH(QByteArray, sharedStrings);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml(rows)};
    parts.sharedStrings = sharedStrings;
    QVERIFY(WriteXlsx(path, parts));
    std::vector<Worksheet> sheets;
    QString reason;
    QCOMPARE(ReadWorkbookFile(path, sheets, reason), read);
    if (read)
      QCOMPARE(CellValueText(sheets[0], sheets[0].value(1, 1)).size(), ReadLimits::kCellChars);
    else
      QCOMPARE(reason, ReasonCellTooLong());
  }

  void odsCellLengthLimit_data() {
    QTest::addColumn<QByteArray>("paragraphs");
    QTest::addColumn<bool>("read");
    const QByteArray half(ReadLimits::kCellChars / 2, 'x');
    QTest::newRow("two paragraphs at the limit")
        << "<text:p>" + half + "</text:p><text:p>" + half + "</text:p>" << true;
    QTest::newRow("one past") << "<text:p>" + half + "y</text:p><text:p>" + half + "</text:p>"
                              << false;
    // Spaces written as <text:s text:c="1000"/>: a few bytes that would make a gigabyte.
    QTest::newRow("counted spaces")
        << "<text:p>" + QByteArray("<text:s text:c=\"1000\"/>").repeated(100000) + "</text:p>"
        << false;
  }
  void odsCellLengthLimit() {
    QFETCH(QByteArray, paragraphs);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.ods"));
    QVERIFY(WriteOds(path,
                     "<table:table table:name=\"S\"><table:table-row><table:table-cell "
                     "office:value-type=\"string\">" +
                         paragraphs + "</table:table-cell></table:table-row></table:table>"));
    std::vector<Worksheet> sheets;
    QString reason;
    QCOMPARE(ReadWorkbookFile(path, sheets, reason), read);
    if (read)
      QCOMPARE(CellValueText(sheets[0], sheets[0].value(1, 1)).size(), ReadLimits::kCellChars);
    else
      QCOMPARE(reason, ReasonCellTooLong());
  }

  // A start tag is held whole by the parser: one with an attribute of a hundred megabytes
  // is a damaged file, not a cost.
  void aGiantTagIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tag.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml("")};
    const QByteArray head = "<worksheet xmlns=\"" + mainNs() + "\"><sheetData><row r=\"1\" x=\"";
    QVERIFY(WriteXlsx(path, parts,
                      {GeneratedPart{QStringLiteral("xl/worksheets/sheet1.xml"), head, 'a',
                                     qint64{128} << 20, "\"/></sheetData></worksheet>"}}));
    QCOMPARE(refusal(path), ReasonDamaged());
  }

  // The refusal names the bound that was hit.
  void refusalsNameTheLimit_data() {
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("styles");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a part inflating past its bound")
        << QByteArray() << QByteArray()
        << "<styleSheet>" + QByteArray(70 << 20, ' ') + "</styleSheet>" << ReasonPartTooLarge();
    QByteArray formats = "<styleSheet><cellXfs>";
    formats += QByteArray("<xf/>").repeated(ReadLimits::kCellFormats + 1);
    QTest::newRow("too many cell formats")
        << QByteArray() << QByteArray() << formats + "</cellXfs></styleSheet>"
        << ReasonTooManyFormats();
  }
  void refusalsNameTheLimit() {
    QFETCH(QByteArray, rows);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, styles);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("limit.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml(rows, after)};
    parts.styles = styles;
    QVERIFY(WriteXlsx(path, parts));
    QCOMPARE(refusal(path), reason);
  }

  void tooManySheetsAndCellsAreNamed() {
    QTemporaryDir dir;
    const QString sheetsPath = dir.filePath(QStringLiteral("sheets.xlsx"));
    XlsxParts parts;
    parts.sheets = {SheetXml("")};
    parts.workbookExtra =
        QByteArray("<sheets>") +
        QByteArray("<sheet name=\"x\" r:id=\"none\"/>").repeated(ReadLimits::kSheets) + "</sheets>";
    QVERIFY(WriteXlsx(sheetsPath, parts));
    QCOMPARE(refusal(sheetsPath), ReasonTooManySheets());

    const QString cellsPath = dir.filePath(QStringLiteral("cells.ods"));
    QVERIFY(WriteOds(cellsPath,
                     "<table:table table:name=\"S\"><table:table-row "
                     "table:number-rows-repeated=\"1048576\"><table:table-cell "
                     "table:number-columns-repeated=\"16384\" office:value-type=\"float\" "
                     "office:value=\"1\"/></table:table-row></table:table>"));
    QCOMPARE(refusal(cellsPath), ReasonTooManyCells());
  }

  // Excel repairs a package whose _rels/.rels is damaged; so does the reader, from the main
  // part named in [Content_Types].xml, else from xl/workbook.xml.
  void damagedPackageRelationshipsFallBack() {
    std::vector<Worksheet> sheets;
    QString reason;
    QVERIFY2(ReadWorkbookFile(FixturePath(QStringLiteral("damaged_rels.xlsx")), sheets, reason),
             qPrintable(reason));
    QCOMPARE(sheets.size(), size_t{1});
    QCOMPARE(CellsLine(sheets[0]),
             QStringLiteral("R1C1=姓名; R1C2=邮箱; R1C3=实发工资; R2C1=张三; "
                            "R2C2=zhangsan@example.com; R2C3=5000; R3C1=李四; "
                            "R3C2=lisi@example.com; R3C3=6200.5"));
  }

  void packageRelationshipVariants_data() {
    QTest::addColumn<QByteArray>("packageRels");  // empty: no such part
    QTest::addColumn<QString>("workbookName");
    QTest::addColumn<bool>("contentTypes");
    QTest::addColumn<bool>("read");
    const QByteArray broken = "<Relationships><Relationship Id=\"rId1\" Type=";
    const QByteArray elsewhere =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/officeDocument\" Target=\"xl/missing.xml\"/></Relationships>";
    QTest::newRow("damaged, usual name") << broken << "xl/workbook.xml" << false << true;
    QTest::newRow("damaged, named by content type") << broken << "xl/book.xml" << true << true;
    QTest::newRow("missing, named by content type")
        << QByteArray() << "xl/book.xml" << true << true;
    QTest::newRow("pointing to no part, named by content type")
        << elsewhere << "xl/book.xml" << true << true;
    QTest::newRow("damaged, unusual name, no content type")
        << broken << "xl/book.xml" << false << false;
  }
  void packageRelationshipVariants() {
    QFETCH(QByteArray, packageRels);
    QFETCH(QString, workbookName);
    QFETCH(bool, contentTypes);
    QFETCH(bool, read);
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::vector<PackagePart> parts = {
        {workbookName, "<workbook xmlns=\"" + mainNs() + "\" xmlns:r=\"" + rel +
                           "\"><sheets><sheet name=\"工资\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                           "</workbook>"},
        {QStringLiteral("xl/_rels/%1.rels").arg(workbookName.section(QLatin1Char('/'), 1)),
         "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"),
         SheetXml("<row r=\"1\"><c r=\"A1\"><v>42</v></c></row>")},
    };
    if (!packageRels.isEmpty()) parts.push_back({QStringLiteral("_rels/.rels"), packageRels});
    QByteArray types =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    if (contentTypes)
      types += "<Override PartName=\"/" + workbookName.toUtf8() +
               "\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
               "sheet.main+xml\"/>";
    parts.push_back({QStringLiteral("[Content_Types].xml"), types + "</Types>"});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rels.xlsx"));
    QVERIFY(WritePackage(path, parts));
    std::vector<Worksheet> sheets;
    QString reason;
    QCOMPARE(ReadWorkbookFile(path, sheets, reason), read);
    if (read) {
      QCOMPARE(sheets[0].name(), QStringLiteral("工资"));
      QCOMPARE(CellsLine(sheets[0]), QStringLiteral("R1C1=42"));
    } else {
      QCOMPARE(reason, ReasonNotAWorkbook());
    }
  }

  // What HR and ERP systems export under a .xls name is refused with what it is and what to do.
  void foreignFilesAreNamed_data() {
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QByteArray>("bytes");  // when no fixture
    QTest::addColumn<QString>("reason");
    QTest::newRow("CSV in GBK") << "fake_csv.xls" << QByteArray() << ReasonCsvFile();
    QTest::newRow("HTML table, UTF-8 with BOM")
        << "fake_html.xls" << QByteArray() << ReasonHtmlFile();
    QTest::newRow("XML Spreadsheet 2003")
        << "fake_xml2003.xls" << QByteArray() << ReasonXmlSpreadsheetFile();
    QTest::newRow("tab-separated UTF-16 (Excel's Unicode text)")
        << QString()
        << QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE)(
                                        QStringLiteral("姓名\t邮箱\r\n张三\tz@x.cn\r\n"))
        << ReasonCsvFile();
    QTest::newRow("a bare HTML table")
        << QString() << QByteArray("\r\n<table><tr><td>1</td></tr></table>") << ReasonHtmlFile();
    QTest::newRow("a PDF is just no workbook")
        << QString() << QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\x01\x02")
        << ReasonNotAWorkbook();
    QTest::newRow("plain words are no table")
        << QString() << QByteArray("hello world") << ReasonNotAWorkbook();
    QTest::newRow("a script with commas is no table")
        << QString()
        << QByteArray(
               "import os\n\ndef main(a, b):\n    print(a, b, 1)\n    return os.path.join(a, b)\n")
        << ReasonNotAWorkbook();
    QTest::newRow("a CSV with a title line and quoted commas")
        << QString()
        << QByteArray("2024年1月工资\n姓名,邮箱,备注\n张三,z@x.cn,\"a, b\"\n李四,l@x.cn,\n")
        << ReasonCsvFile();
  }
  void foreignFilesAreNamed() {
    QFETCH(QString, fixture);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("工资.xls"));
    if (!fixture.isEmpty()) {
      path = FixturePath(fixture);
    } else {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(bytes);
    }
    QCOMPARE(refusal(path), reason);
    QVERIFY(reason == ReasonNotAWorkbook() || reason.endsWith(ReasonSaveAsXlsx()));
  }
};

QTEST_GUILESS_MAIN(TestHostileWorkbooks)
#include "tst_hostile_workbooks.moc"
