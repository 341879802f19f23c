// korvane-cli on hostile and damaged workbooks, run as a real process: inspect and render
// answer from what a file holds, a payslip is only rendered for an employee row, and a damaged
// .xls leaves our reason alone on stderr.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "SheetDump.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookErrors.h"

namespace {
struct Run {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

Run cli(const QStringList &args) {
  QProcess process;
  process.start(QStringLiteral(KORVANE_CLI), args);
  Run run;
  // A bound for a hung process, not a timing: these runs take milliseconds.
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}
}  // namespace

class TestWorkbookCli : public QObject {
  Q_OBJECT

 private slots:
  void inspectOfWholeSheetShapes_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QJsonValue>("firstDataRow");
    QTest::addColumn<QJsonValue>("emailColumn");
    QTest::newRow("far corner") << "far_corner.xlsx" << QJsonValue(0) << QJsonValue();
    QTest::newRow("every cell merged") << "merged_sheet.xlsx" << QJsonValue(0) << QJsonValue();
    QTest::newRow("tall header block")
        << "tall_header.xlsx" << QJsonValue(1048576) << QJsonValue(1);
    QTest::newRow("spanning .ods cell") << "spanning_cell.ods" << QJsonValue(0) << QJsonValue();
  }
  void inspectOfWholeSheetShapes() {
    QFETCH(QString, file);
    QFETCH(QJsonValue, firstDataRow);
    QFETCH(QJsonValue, emailColumn);
    const Run run = cli({QStringLiteral("inspect"), FixturePath(file)});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    const QJsonObject sheet = QJsonDocument::fromJson(run.out)
                                  .object()
                                  .value(QLatin1String("sheets"))
                                  .toArray()
                                  .first()
                                  .toObject();
    QCOMPARE(sheet.value(QLatin1String("used_last_row")), QJsonValue(1048576));
    QCOMPARE(sheet.value(QLatin1String("used_last_col")), QJsonValue(16384));
    QCOMPARE(sheet.value(QLatin1String("first_data_row")), firstDataRow);
    QCOMPARE(sheet.value(QLatin1String("email_col")), emailColumn);
    QCOMPARE(sheet.value(QLatin1String("name_col")), QJsonValue());
  }

  // render exits 2 with a reason unless the row is an employee row with an address.
  void renderRefusesRowsThatAreNoPayslip_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("below the used range")
        << "payroll.xlsx" << 12 << QByteArray("below the last used row 11");
    QTest::newRow("far below") << "payroll.xlsx" << 1048576
                               << QByteArray("below the last used row 11");
    QTest::newRow("a row without an address")
        << "payroll.xlsx" << 7 << QByteArray("row 7 of worksheet 1 holds no e-mail address");
    QTest::newRow("a header row") << "payroll.xlsx" << 2
                                  << QByteArray("row 2 of worksheet 1 holds no e-mail address");
    QTest::newRow("far corner: no address at all")
        << "far_corner.xlsx" << 1 << QByteArray("worksheet 1 holds no e-mail address");
    QTest::newRow("merged sheet") << "merged_sheet.xlsx" << 1
                                  << QByteArray("worksheet 1 holds no e-mail address");
    QTest::newRow("spanning .ods cell")
        << "spanning_cell.ods" << 1 << QByteArray("worksheet 1 holds no e-mail address");
  }
  void renderRefusesRowsThatAreNoPayslip() {
    QFETCH(QString, file);
    QFETCH(int, row);
    QFETCH(QByteArray, reason);
    const Run run = cli({QStringLiteral("render"), FixturePath(file), QStringLiteral("--sheet"),
                         QStringLiteral("1"), QStringLiteral("--row"), QString::number(row)});
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.contains(reason), run.err.constData());
  }

  void renderOfAnEmployeeRow() {
    const Run run = cli({QStringLiteral("render"), FixturePath(QStringLiteral("payroll.xlsx")),
                         QStringLiteral("--sheet"), QStringLiteral("1"), QStringLiteral("--row"),
                         QStringLiteral("8")});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.contains("Chen Qi"));
  }

  // Cut copies of the sample make libgsf assert on damaged sector chains; the user sees only
  // our reason.
  void damagedXlsLeavesOnlyOurReasonOnStderr() {
    QFile sample(SourceDir() + QStringLiteral("/resources/工资表样例.xls"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    QTemporaryDir dir;
    for (int part = 1; part <= 100; part += 3) {
      const QString path = dir.filePath(QStringLiteral("cut%1.xls").arg(part));
      QFile cut(path);
      QVERIFY(cut.open(QIODevice::WriteOnly));
      cut.write(bytes.left(bytes.size() * part / 101));
      cut.close();
      const Run run = cli({QStringLiteral("cells"), path});
      QCOMPARE(run.status, 2);
      const QString expected = QStringLiteral("打开文件:") + path + QStringLiteral("出错!");
      const QStringList ours = {ReasonDamaged(), ReasonNotAWorkbook(), ReasonCannotRead()};
      QVERIFY2(std::any_of(ours.begin(), ours.end(),
                           [&](const QString &reason) {
                             return run.err == (expected + reason + QLatin1Char('\n')).toUtf8();
                           }),
               run.err.constData());
    }
  }
};

QTEST_GUILESS_MAIN(TestWorkbookCli)
#include "tst_workbook_cli.moc"
