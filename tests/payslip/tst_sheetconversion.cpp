// The conversion of one worksheet into the payslip batch, on a real payslip.mdb.
#include <QFile>
#include <QTest>

#include "data/CodePage.h"
#include "payslip/FooterFile.h"
#include "payslip/MassIniTitle.h"
#include "payslip/PayslipBuilder.h"
#include "payslip/SheetConversion.h"
#include "support/MemorySheet.h"
#include "support/TestDatabase.h"

namespace {
// Title, header, three employees of which the second has no address, a totals row.
MemorySheet payroll() {
  MemorySheet sheet(QStringLiteral("一车间"));
  sheet
      .grid({"2021年5月工资表|||", "工号|部门|姓名|邮箱", "001|研发部|张三|zhangsan@example.com",
             "002|研发部|李四|", "003|市场部|王五 |  wangwu@example.com ", "合计||#16500|"})
      .merge("A1:D1");
  return sheet;
}

ConversionOptions optionsFor(const TestProgramFolder &folder) {
  ConversionOptions o;
  o.FirstDataRowNumber = 3;
  o.MaxRowNumber = 6;
  o.EmailColumnNumber = 4;
  o.NameColumnNumber = 3;
  o.footerLines = QStringList{QStringLiteral("人事部")};
  o.programFolder = folder.path();
  return o;
}

struct StoredRow {
  QString f1, f2, f3, email, html;
  int row;
};

// Read through a connection of its own, so only committed rows are seen.
QList<StoredRow> committedRows(const TestProgramFolder &folder) {
  DbConnection connection;
  connection.setDatabasePath(PayslipDatabasePath(folder.path()));
  DbQuery query(connection);
  QString error;
  QList<StoredRow> rows;
  if (!query.open(QStringLiteral("select f1,f2,f3,email_address,html_str,row_number,send_status "
                                 "from payslip order by payslip_id"),
                  error)) {
    qWarning("%s", qPrintable(error));
    return rows;
  }
  for (; !query.eof(); query.next()) {
    rows.append({query.field(0).toString(), query.field(1).toString(), query.field(2).toString(),
                 query.field(3).toString(), query.field(4).toString(), query.field(5).toInt()});
  }
  return rows;
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

class TestSheetConversion : public QObject {
  Q_OBJECT

 private slots:
  void storesEveryRowWithAnAddress_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<bool>("showEmail");
    QTest::newRow("horizontal") << false << false;
    QTest::newRow("vertical, e-mail shown") << true << true;
  }
  void storesEveryRowWithAnAddress() {
    QFETCH(bool, vertical);
    QFETCH(bool, showEmail);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    auto excel = payroll().workbook();
    ConversionOptions options = optionsFor(folder);
    options.vertical = vertical;
    options.showEmail = showEmail;
    SheetConversion conversion(*excel, options, DataModule1->ADOConnectionAccess);
    QStringList steps;
    ConversionResult result;
    QVERIFY(conversion.run(
        [&](ConversionStep step, int row, const QString &address) {
          steps << ConversionStepText(step, row, address);
        },
        result));
    QCOMPARE(result.rowCount, 4);
    QCOMPARE(result.rowsWithoutAddress, 2);
    QCOMPARE(result.storedRows, 2);
    QCOMPARE(result.failedRow, 0);
    QCOMPARE(steps.mid(0, 6),
             (QStringList{"正在解析表格的第3行", "从第3行获取到电子邮件地址：zhangsan@example.com",
                          "正在转换表格的第3行为HTML格式", "正在处理表格的第3行",
                          "正在解析表格的第4行", "正在解析表格的第5行"}));
    QCOMPARE(steps.last(), QStringLiteral("正在解析表格的第6行"));

    const QList<StoredRow> rows = committedRows(folder);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].f1, QStringLiteral("001"));
    QCOMPARE(rows[0].f2, QStringLiteral("张三"));
    QCOMPARE(rows[0].f3, QStringLiteral("张三"));
    QCOMPARE(rows[0].row, 3);
    QCOMPARE(rows[1].f2, QStringLiteral("王五 "));  // untrimmed
    QCOMPARE(rows[1].email, QStringLiteral("wangwu@example.com"));
    QCOMPARE(rows[1].row, 5);
    const QString expected =
        vertical
            ? BuildVerticalSlip(*excel, 3, 5, options.footerLines, 4, showEmail, folder.path())
            : BuildHorizontalSlip(*excel, 3, 5, options.footerLines, 4, showEmail, folder.path());
    QCOMPARE(rows[1].html, expected);
    QCOMPARE(conversion.buildDocument(5), expected);
    QCOMPARE(Scalar("select count(*) from payslip where send_status=0 and "
                    "send_time=date('now','localtime') and err_msg is null")
                 .toInt(),
             2);
  }

  void nameColumnOutsideTheSheetStoresAnEmptyName() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    auto excel = payroll().workbook();
    ConversionOptions options = optionsFor(folder);
    options.NameColumnNumber = 40;
    SheetConversion conversion(*excel, options, DataModule1->ADOConnectionAccess);
    ConversionResult result;
    QVERIFY(conversion.run(nullptr, result));
    QCOMPARE(committedRows(folder).value(0).f2, QString());
  }

  void firstDataRowBeyondTheLastRowConvertsNothing() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    auto excel = payroll().workbook();
    ConversionOptions options = optionsFor(folder);
    options.FirstDataRowNumber = 9;
    SheetConversion conversion(*excel, options, DataModule1->ADOConnectionAccess);
    QCOMPARE(conversion.firstPayslipBytes(), qsizetype(0));
    ConversionResult result;
    QVERIFY(conversion.run(nullptr, result));
    QCOMPARE(result.rowCount, -2);
    QCOMPARE(result.storedRows, 0);
    QCOMPARE(ConversionSummaryText(result.rowCount, result.rowsWithoutAddress),
             QStringLiteral("共转换-2条数据."));
  }

  // A value too long for its column stops the conversion at that row; the rows before it are
  // committed, the rows after it never looked at.
  void overlongValueStopsAndKeepsEarlierRows_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("nameColumn");
    QTest::addColumn<QString>("value");
    QTest::newRow("f1") << 1 << 3 << QString(51, QChar(u'工'));
    QTest::newRow("f2 (name column)") << 2 << 2 << QString(51, QChar(u'名'));
    QTest::newRow("f3") << 3 << 2 << QString(51, QChar(u'x'));
    QTest::newRow("address") << 4 << 3
                             << QString(250, QChar(u'a')) + QStringLiteral("@example.com");
  }
  void overlongValueStopsAndKeepsEarlierRows() {
    QFETCH(int, column);
    QFETCH(int, nameColumn);
    QFETCH(QString, value);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    MemorySheet sheet = payroll();
    sheet.text(4, 4, QStringLiteral("lisi@example.com")).text(5, column, value);
    sheet.text(6, 4, QStringLiteral("heji@example.com"));
    auto excel = sheet.workbook();
    ConversionOptions options = optionsFor(folder);
    options.NameColumnNumber = nameColumn;
    SheetConversion conversion(*excel, options, DataModule1->ADOConnectionAccess);
    ConversionResult result;
    QVERIFY(!conversion.run(nullptr, result));
    QCOMPARE(result.failedRow, 5);
    QCOMPARE(result.storedRows, 2);
    QVERIFY2(result.errorText.contains(QStringLiteral("CHECK constraint failed")),
             qPrintable(result.errorText));
    const QList<StoredRow> rows = committedRows(folder);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].row, 4);
    // The connection is usable afterwards: no transaction is left open.
    QVERIFY(Exec("delete from payslip"));
    QCOMPARE(committedRows(folder).size(), 0);
  }

  void summaryText_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("text");
    QTest::newRow("all with address") << 48 << 0 << "共转换48条数据.";
    QTest::newRow("two without")
        << 48 << 2
        << "共转换48条数据.其中2条数据无电子邮件地址，无法转换，实际转换46条数据用于发送。";
  }
  void summaryText() {
    QFETCH(int, n);
    QFETCH(int, k);
    QFETCH(QString, text);
    QCOMPARE(ConversionSummaryText(n, k), text);
  }

  void largePayslipIsMeasuredAndExplained() {
    TestProgramFolder folder;
    auto small = payroll().workbook();
    SheetConversion ordinary(*small, optionsFor(folder), DataModule1->ADOConnectionAccess);
    QVERIFY(ordinary.firstPayslipBytes() > 0);
    QVERIFY(ordinary.firstPayslipBytes() < 2000);

    // A stray value far to the right: every payslip gets 16,384 columns.
    MemorySheet sheet = payroll();
    sheet.text(14, 16384, QStringLiteral("x"));
    auto excel = sheet.workbook();
    ConversionOptions options = optionsFor(folder);
    options.FirstDataRowNumber = 13;
    options.MaxRowNumber = 14;
    SheetConversion conversion(*excel, options, DataModule1->ADOConnectionAccess);
    const qsizetype bytes = conversion.firstPayslipBytes();
    QCOMPARE(bytes, conversion.buildDocument(13).toUtf8().size());
    QVERIFY(bytes > kLargePayslipBytes);
    QCOMPARE(
        LargePayslipQuestion(*excel, 13, 2411724),
        QStringLiteral("工资条过大：第13行的工资条有2.3 MB，工作表的使用区域为A1:XFD14。"
                       "表格右侧或下方远处可能有误录入的内容，每张工资条都会带上这些空白的行列。"
                       "\r仍要继续转换吗？"));
  }

  void columnLetters_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("letters");
    QTest::newRow("A") << 1 << "A";
    QTest::newRow("Z") << 26 << "Z";
    QTest::newRow("AA") << 27 << "AA";
    QTest::newRow("AZ") << 52 << "AZ";
    QTest::newRow("XFD") << 16384 << "XFD";
  }
  void columnLetters() {
    QFETCH(int, column);
    QFETCH(QString, letters);
    QCOMPARE(ColumnLetters(column), letters);
  }

  void footerFileRoundTrip() {
    TestProgramFolder folder;
    QCOMPARE(ReadFooterFile(folder.path()), QStringList());
    QString error;
    const QStringList lines = {QStringLiteral("人事部"), QString(), QStringLiteral("<b>𠀀</b>")};
    QVERIFY(WriteFooterFile(folder.path(), lines, error));
    QCOMPARE(readBytes(folder.file("tail.txt")),
             ToAnsiCodePage(QStringLiteral("人事部\r\n\r\n<b>𠀀</b>\r\n")));
    QCOMPARE(ReadFooterFile(folder.path()), lines);
    QVERIFY(WriteFooterFile(folder.path(), {}, error));
    QCOMPARE(readBytes(folder.file("tail.txt")), QByteArray());
  }

  void footerFileEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("财务部\r\n张三");
    QTest::newRow("GB18030") << ToAnsiCodePage(text);
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QTest::newRow("UTF-16LE with BOM") << utf16;
  }
  void footerFileEncodings() {
    QFETCH(QByteArray, bytes);
    TestProgramFolder folder;
    QVERIFY(writeBytes(folder.file("tail.txt"), bytes));
    QCOMPARE(ReadFooterFile(folder.path()), (QStringList{"财务部", "张三"}));
  }

  void massIniTitle_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("no file") << QByteArray() << QByteArray("[EMAIL]\nTITLE=五月[一车间]\n");
    QTest::newRow("title replaced, other lines kept")
        << QByteArray("[SMTP]\r\nServer=2\r\nInTurn=0\r\n[EMAIL]\r\nTITLE=旧\r\n")
        << QByteArray("[SMTP]\r\nServer=2\r\nInTurn=0\r\n[EMAIL]\r\nTITLE=五月[一车间]\r\n");
    QTest::newRow("title added to its section")
        << QByteArray("[EMAIL]\nOther=1\n\n[SMTP]\nServer=\n")
        << QByteArray("[EMAIL]\nOther=1\nTITLE=五月[一车间]\n\n[SMTP]\nServer=\n");
    QTest::newRow("section added")
        << QByteArray("[SMTP]\r\nInterval=3")
        << QByteArray("[SMTP]\r\nInterval=3\r\n[EMAIL]\r\nTITLE=五月[一车间]\r\n");
  }
  void massIniTitle() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    TestProgramFolder folder;
    if (!before.isEmpty()) QVERIFY(writeBytes(folder.file("Mass.ini"), before));
    QString error;
    QVERIFY2(WriteMassIniTitle(folder.path(), QStringLiteral("五月[一车间]"), error),
             qPrintable(error));
    QCOMPARE(readBytes(folder.file("Mass.ini")), after);
  }
};

QTEST_GUILESS_MAIN(TestSheetConversion)
#include "tst_sheetconversion.moc"
