// korvane-cli convert, run as a real process: what it stores is what render gives for each row.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "data/CodePage.h"
#include "data/Data.h"
#include "data/Scramble.h"
#include "support/TestPaths.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
QString fixture(const QString &name) {
  return TestDataDir() + QStringLiteral("/payslip/fixtures/") + name;
}

struct Run {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

Run cli(const QStringList &args) {
  QProcess process;
  process.start(QStringLiteral(KORVANE_CLI), args);
  Run run;
  if (!process.waitForFinished(60000)) return run;
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct StoredRow {
  QString f1, f2, f3, email, html;
  int row = 0;
};

QList<StoredRow> storedRows(const QString &folder) {
  DbConnection connection;
  connection.setDatabasePath(PayslipDatabasePath(folder + QLatin1Char('/')));
  DbQuery query(connection);
  QString error;
  QList<StoredRow> rows;
  if (!query.open(QStringLiteral("select f1,f2,f3,email_address,html_str,row_number from payslip "
                                 "order by payslip_id"),
                  error))
    return rows;
  for (; !query.eof(); query.next())
    rows.append({query.field(0).toString(), query.field(1).toString(), query.field(2).toString(),
                 query.field(3).toString(), query.field(4).toString(), query.field(5).toInt()});
  return rows;
}
}  // namespace

class TestConvertCli : public QObject {
  Q_OBJECT

 private slots:
  void storedRowsAreTheRenderedRows_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("nameColumn");
    QTest::addColumn<QList<int>>("rows");
    const QList<int> payrollRows = {3, 4, 5};  // row 6, the totals row, has no address
    for (const char *file : {"payslips.xls", "payslips.xlsx"}) {
      QTest::addRow("%s horizontal", file) << file << 1 << QStringList{} << 2 << payrollRows;
      QTest::addRow("%s vertical, e-mail shown", file)
          << file << 1 << QStringList{"--vertical", "--show-email"} << 2 << payrollRows;
      QTest::addRow("%s first data row and name column moved", file)
          << file << 1 << QStringList{"--first-data-row", "2", "--name-col", "3"} << 3
          << QList<int>{3, 4, 5};
      QTest::addRow("%s two header rows", file)
          << file << 4 << QStringList{} << 2 << QList<int>{4, 5};
    }
  }
  void storedRowsAreTheRenderedRows() {
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(QStringList, options);
    QFETCH(int, nameColumn);
    QFETCH(QList<int>, rows);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath("ad.txt"), ScrambleText("<p>广告</p>").toLatin1()));
    QVERIFY(writeFile(folder.filePath("footer.txt"), "人事部\r\n\r\n<b>2021</b>\n"));
    const QStringList common = {QStringLiteral("--sheet"),  QString::number(sheet),
                                QStringLiteral("--footer"), folder.filePath("footer.txt"),
                                QStringLiteral("--folder"), folder.path()};

    const Run run = cli(QStringList{QStringLiteral("convert"), fixture(file)} + common + options);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith("共转换"));

    std::unique_ptr<SpreadsheetInstance> excel;
    QString message;
    QVERIFY2(OpenWorkbook(fixture(file), excel, message), qPrintable(message));
    excel->activate(sheet);
    const QList<StoredRow> stored = storedRows(folder.path());
    QCOMPARE(stored.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
      const int row = rows[i];
      QStringList renderOptions = options;
      const qsizetype nameAt = renderOptions.indexOf(QStringLiteral("--name-col"));
      if (nameAt >= 0) renderOptions.remove(nameAt, 2);
      const Run render = cli(QStringList{QStringLiteral("render"), fixture(file),
                                         QStringLiteral("--row"), QString::number(row)} +
                             common + renderOptions);
      QCOMPARE(render.status, 0);
      QCOMPARE(stored[i].row, row);
      QCOMPARE(stored[i].html.toUtf8(), render.out);
      QCOMPARE(stored[i].f1, excel->cellText(row, 1));
      QCOMPARE(stored[i].f2, excel->cellText(row, nameColumn));
      QCOMPARE(stored[i].f3, excel->cellText(row, 3));
      QString address;
      QVERIFY(GetRowEmail(*excel, row, address));
      QCOMPARE(stored[i].email, address);
    }
    QCOMPARE(stored[0].email, QStringLiteral("zhangsan@example.com"));
    if (sheet == 1) {
      QCOMPARE(stored[1].email, QStringLiteral("lisi@example.com"));  // trimmed
      // The address of row 5 stands inside the name cell: the whole trimmed text.
      QCOMPARE(stored[2].email, QStringLiteral("王五 wangwu@example.com"));
    }
  }

  // No --sheet: the first worksheet holding an address; no 姓名 header: names from column 2;
  // the footer from tail.txt (8-bit code page); the proposed subject into Mass.ini.
  void defaultsFromTheWorkbookAndTheFolder() {
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath("tail.txt"), ToAnsiCodePage("财务部\r\n")));
    QVERIFY(writeFile(folder.filePath("Mass.ini"), "[SMTP]\r\nServer=3\r\n"));
    const Run first = cli({"convert", fixture("conversion.xlsx"), "--folder", folder.path()});
    QCOMPARE(first.err, QByteArray());
    QCOMPARE(first.status, 0);
    QCOMPARE(QString::fromUtf8(first.out),
             QStringLiteral("共转换4条数据.其中1条数据无电子邮件地址，无法转换，实际转换3条数据用于"
                            "发送。\n"));
    const QList<StoredRow> rows = storedRows(folder.path());
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].f2, QStringLiteral("研发部"));
    QVERIFY(rows[0].html.contains(QStringLiteral("<a>财务部</a><br>")));
    QCOMPARE(QString::fromUtf8(readFile(folder.filePath("Mass.ini"))),
             QStringLiteral("[SMTP]\r\nServer=3\r\n[EMAIL]\r\nTITLE=2021年6月工资表\r\n"));

    // A second run empties the batch first; --subject replaces the title.
    const Run second = cli({"convert", fixture("conversion.xlsx"), "--folder", folder.path(),
                            "--subject", "六月工资", "--name-col", "3"});
    QCOMPARE(second.status, 0);
    QCOMPARE(storedRows(folder.path()).size(), 3);
    QCOMPARE(storedRows(folder.path()).value(0).f2, QStringLiteral("5000"));
    QCOMPARE(QString::fromUtf8(readFile(folder.filePath("Mass.ini"))),
             QStringLiteral("[SMTP]\r\nServer=3\r\n[EMAIL]\r\nTITLE=六月工资\r\n"));
  }

  // A row that cannot be stored: exit 2 with the storing message; the rows before it stay.
  void rowThatCannotBeStoredKeepsTheRowsBefore() {
    QTemporaryDir folder;
    const Run run =
        cli({"convert", fixture("conversion.xlsx"), "--folder", folder.path(), "--sheet", "3"});
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(QString::fromUtf8(run.err).startsWith(
                 QStringLiteral("发生系统错误！无法写入发送数据库,无法发送邮件！")),
             run.err.constData());
    const QList<StoredRow> rows = storedRows(folder.path());
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].row, 4);
    QVERIFY(!QFile::exists(folder.filePath("Mass.ini")));
  }

  // A stray value in XFD1 makes each payslip over 2 MB: refused, the last batch left alone,
  // unless --allow-large.
  void largePayslipsNeedAllowLarge() {
    QTemporaryDir folder;
    QCOMPARE(cli({"convert", fixture("conversion.xlsx"), "--folder", folder.path()}).status, 0);
    const Run refused =
        cli({"convert", fixture("conversion.xlsx"), "--folder", folder.path(), "--sheet", "4"});
    QCOMPARE(refused.status, 2);
    QVERIFY2(QString::fromUtf8(refused.err)
                 .startsWith(QStringLiteral("工资条过大：第13行的工资条有2.1 MB，工作表的使用区域为"
                                            "A1:XFD14。")),
             refused.err.constData());
    QCOMPARE(storedRows(folder.path()).size(), 3);

    const Run allowed = cli({"convert", fixture("conversion.xlsx"), "--folder", folder.path(),
                             "--sheet", "4", "--allow-large"});
    QCOMPARE(allowed.status, 0);
    const QList<StoredRow> rows = storedRows(folder.path());
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].f2, QStringLiteral("张三"));
  }

  void errors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("folder that is a file")
        << QStringList{"convert", fixture("payslips.xls"), "--folder", fixture("payslips.xlsx")};
    QTest::newRow("missing file") << QStringList{"convert", "/nonexistent/x.xls", "--folder",
                                                 QDir::tempPath()};
    QTest::newRow("sheet without address")
        << QStringList{"convert", fixture("payslips.xls"), "--sheet", "8", "--folder", "@"};
    QTest::newRow("no sheet with address") << QStringList{
        "convert", fixture("../../workbook/fixtures/dates_1900.xlsx"), "--folder", "@"};
    QTest::newRow("sheet out of range")
        << QStringList{"convert", fixture("payslips.xls"), "--sheet", "9", "--folder", "@"};
    QTest::newRow("name column not a number")
        << QStringList{"convert", fixture("payslips.xls"), "--name-col", "x", "--folder", "@"};
    QTest::newRow("missing footer") << QStringList{
        "convert", fixture("payslips.xls"), "--footer", "/nonexistent/f.txt", "--folder", "@"};
  }
  void errors() {
    QFETCH(QStringList, args);
    QTemporaryDir folder;
    args.replaceInStrings(QRegularExpression("^@$"), folder.path());
    const Run run = cli(args);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!run.err.trimmed().isEmpty());
    QCOMPARE(storedRows(folder.path()).size(), 0);
  }
};

QTEST_GUILESS_MAIN(TestConvertCli)
#include "tst_convertcli.moc"
