// korvane-cli inspect and render, run as a real process on the fixture workbook.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "data/Scramble.h"
#include "payslip/PayslipBuilder.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookAccess.h"

namespace {
QString fixture() { return TestDataDir() + QStringLiteral("/payslip/fixtures/payslips.xls"); }

struct Run {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

Run cli(const QStringList &args) {
  QProcess process;
  process.start(QStringLiteral(KORVANE_CLI), args);
  Run run;
  if (!process.waitForFinished(30000)) return run;
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
}  // namespace

class TestPayslipCli : public QObject {
  Q_OBJECT

 private slots:
  void inspect() {
    const Run run = cli({QStringLiteral("inspect"), fixture()});
    QCOMPARE(run.status, 0);
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(root[QStringLiteral("file")].toString(), fixture());
    const QJsonArray sheets = root[QStringLiteral("sheets")].toArray();
    QCOMPARE(sheets.size(), 8);

    const QJsonObject first = sheets.at(0).toObject();
    QCOMPARE(first[QStringLiteral("index")].toInt(), 1);
    QCOMPARE(first[QStringLiteral("name")].toString(), QStringLiteral("工资"));
    QCOMPARE(first[QStringLiteral("used_last_row")].toInt(), 6);
    QCOMPARE(first[QStringLiteral("used_last_col")].toInt(), 4);
    QCOMPARE(first[QStringLiteral("first_data_row")].toInt(), 3);
    QCOMPARE(first[QStringLiteral("email_col")].toInt(), 4);
    QCOMPARE(first[QStringLiteral("name_col")].toInt(), 2);
    QCOMPARE(first[QStringLiteral("subject")].toString(), QStringLiteral("2021年5月工资表"));
    QCOMPARE(first[QStringLiteral("data_rows")].toInt(), 4);

    const QJsonObject noName = sheets.at(1).toObject();
    QVERIFY(noName[QStringLiteral("name_col")].isNull());
    QCOMPARE(noName[QStringLiteral("subject")].toString(), QStringLiteral("payslips[标题与日期]"));

    const QJsonObject noAddress = sheets.at(7).toObject();
    QCOMPARE(noAddress[QStringLiteral("name")].toString(), QStringLiteral("无地址"));
    QCOMPARE(noAddress[QStringLiteral("first_data_row")].toInt(), 0);
    QVERIFY(noAddress[QStringLiteral("email_col")].isNull());
    QVERIFY(noAddress[QStringLiteral("name_col")].isNull());
  }

  void renderIsTheBuilderDocument_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("firstDataRow");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<bool>("showEmail");
    QTest::newRow("horizontal") << QStringList{} << 1 << 3 << 3 << false << false;
    QTest::newRow("vertical, e-mail shown")
        << QStringList{"--vertical", "--show-email"} << 4 << 5 << 4 << true << true;
    QTest::newRow("first data row moved")
        << QStringList{"--first-data-row", "2"} << 1 << 4 << 2 << false << false;
  }
  void renderIsTheBuilderDocument() {
    QFETCH(QStringList, options);
    QFETCH(int, sheet);
    QFETCH(int, row);
    QFETCH(int, firstDataRow);
    QFETCH(bool, vertical);
    QFETCH(bool, showEmail);
    QTemporaryDir folder;
    const QString ad = QStringLiteral("<p>广告</p>");
    QVERIFY(writeFile(folder.filePath(QStringLiteral("ad.txt")), ScrambleText(ad).toLatin1()));
    QVERIFY(
        writeFile(folder.filePath(QStringLiteral("footer.txt")), "人事部\r\n\r\n<b>2021</b>\n"));

    const Run run =
        cli(QStringList{QStringLiteral("render"), fixture(), QStringLiteral("--sheet"),
                        QString::number(sheet), QStringLiteral("--row"), QString::number(row),
                        QStringLiteral("--footer"), folder.filePath(QStringLiteral("footer.txt")),
                        QStringLiteral("--folder"), folder.path()} +
            options);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);

    std::unique_ptr<SpreadsheetInstance> excel;
    QString message;
    QVERIFY2(OpenWorkbook(fixture(), excel, message), qPrintable(message));
    excel->activate(sheet);
    const QStringList footer = {QStringLiteral("人事部"), QString(), QStringLiteral("<b>2021</b>")};
    const int emailColumn = excel->usedLastColumn();  // the address is the last column there
    const QString folderPath = folder.path() + QLatin1Char('/');
    const QString expected = vertical ? BuildVerticalSlip(*excel, firstDataRow, row, footer,
                                                          emailColumn, showEmail, folderPath)
                                      : BuildHorizontalSlip(*excel, firstDataRow, row, footer,
                                                            emailColumn, showEmail, folderPath);
    QVERIFY(expected.contains(ad));
    QCOMPARE(QString::fromUtf8(run.out), expected);
    QCOMPARE(run.out, expected.toUtf8());
  }

  void errors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("missing file") << QStringList{
        "render", "/nonexistent/x.xls", "--sheet", "1", "--row", "3"};
    QTest::newRow("no row") << QStringList{"render", fixture(), "--sheet", "1"};
    QTest::newRow("row not a number")
        << QStringList{"render", fixture(), "--sheet", "1", "--row", "x"};
    QTest::newRow("sheet out of range")
        << QStringList{"render", fixture(), "--sheet", "9", "--row", "3"};
    QTest::newRow("sheet without address")
        << QStringList{"render", fixture(), "--sheet", "8", "--row", "1"};
    QTest::newRow("missing footer file") << QStringList{
        "render", fixture(), "--sheet", "1", "--row", "3", "--footer", "/nonexistent/f.txt"};
    QTest::newRow("unknown option")
        << QStringList{"render", fixture(), "--sheet", "1", "--row", "3", "--wide"};
    QTest::newRow("inspect missing file") << QStringList{"inspect", "/nonexistent/x.xls"};
  }
  void errors() {
    QFETCH(QStringList, args);
    const Run run = cli(args);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!run.err.trimmed().isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestPayslipCli)
#include "tst_payslipcli.moc"
