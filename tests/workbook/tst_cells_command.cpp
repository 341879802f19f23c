#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include "SheetDump.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookErrors.h"

// korvane-cli cells: the JSON a support engineer or a script reads.
class TestCellsCommand : public QObject {
  Q_OBJECT

  static int run(const QStringList &args, QByteArray &out, QByteArray &err) {
    QProcess p;
    p.start(QStringLiteral(KORVANE_CLI), QStringList{QStringLiteral("cells")} + args);
    if (!p.waitForFinished(30000)) return -1;
    out = p.readAllStandardOutput();
    err = p.readAllStandardError();
    return p.exitCode();
  }

 private slots:
  void payrollSheet() {
    QByteArray out, err;
    const QString file = FixturePath(QStringLiteral("payroll.xlsx"));
    QCOMPARE(run({file}, out, err), 0);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root.value(QLatin1String("file")).toString(), file);
    const QJsonArray sheets = root.value(QLatin1String("sheets")).toArray();
    QCOMPARE(sheets.size(), 1);
    const QJsonObject sheet = sheets[0].toObject();
    QCOMPARE(sheet.value(QLatin1String("index")).toInt(), 1);
    QCOMPARE(sheet.value(QLatin1String("name")).toString(), QStringLiteral("2026年11月"));
    QCOMPARE(sheet.value(QLatin1String("used_last_row")).toInt(), 11);
    QCOMPARE(sheet.value(QLatin1String("used_last_col")).toInt(), 9);
    const QJsonArray cells = sheet.value(QLatin1String("cells")).toArray();
    QCOMPARE(cells.first().toArray(),
             (QJsonArray{1, 1, QStringLiteral("某某科技有限公司2026年11月工资表")}));
    QCOMPARE(cells.last().toArray(), (QJsonArray{11, 2, QStringLiteral("2026-12-01")}));
    QVERIFY(sheet.value(QLatin1String("merges")).toArray().contains(QJsonArray{1, 1, 1, 9}));
  }

  void oneSheetOnly() {
    QByteArray out, err;
    QCOMPARE(run({FixturePath(QStringLiteral("edge_cases.xlsx")), QStringLiteral("--sheet"),
                  QStringLiteral("3")},
                 out, err),
             0);
    const QJsonArray sheets =
        QJsonDocument::fromJson(out).object().value(QLatin1String("sheets")).toArray();
    QCOMPARE(sheets.size(), 1);
    const QJsonObject sheet = sheets[0].toObject();
    QCOMPARE(sheet.value(QLatin1String("index")).toInt(), 3);
    // Numbers with "." whatever the locale, in general form.
    QVERIFY(sheet.value(QLatin1String("cells"))
                .toArray()
                .contains(QJsonArray{1, 2, QStringLiteral("1234.5")}));
  }

  void failures_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("stderrEnd");
    QTest::newRow("missing file") << QStringList{QStringLiteral("/nonexistent.xlsx")}
                                  << "要打开的Excel文件不存在!";
    QTest::newRow("not a workbook")
        << QStringList{FixturePath(QStringLiteral("make_fixtures.py"))} << ReasonNotAWorkbook();
    QTest::newRow("no such sheet") << QStringList{FixturePath(QStringLiteral("payroll.xlsx")),
                                                  QStringLiteral("--sheet"), QStringLiteral("2")}
                                   << "the workbook has 1 sheets";
  }
  void failures() {
    QFETCH(QStringList, args);
    QFETCH(QString, stderrEnd);
    QByteArray out, err;
    QCOMPARE(run(args, out, err), 2);
    QVERIFY(out.isEmpty());
    QVERIFY2(QString::fromUtf8(err).trimmed().endsWith(stderrEnd), err.constData());
  }
};

QTEST_GUILESS_MAIN(TestCellsCommand)
#include "tst_cells_command.moc"
