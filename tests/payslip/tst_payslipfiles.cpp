// The layout analysis and the builders on real workbook files: the fixtures hold the same
// content as .xls and .xlsx, which must give the same layout and identical documents.
#include <QTemporaryDir>
#include <QTest>

#include "ExampleSlips.h"
#include "payslip/PayslipBuilder.h"
#include "support/TestPaths.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
QString fixture(const QString &extension) {
  return TestDataDir() + QStringLiteral("/payslip/fixtures/payslips.") + extension;
}

std::unique_ptr<SpreadsheetInstance> open(const QString &path) {
  std::unique_ptr<SpreadsheetInstance> excel;
  QString message;
  if (!OpenWorkbook(path, excel, message)) qWarning("%s", qPrintable(message));
  return excel;
}

int sheetIndex(const SpreadsheetInstance &excel, const QString &name) {
  for (int i = 1; i <= excel.worksheetCount(); ++i)
    if (excel.worksheetName(i) == name) return i;
  return 0;
}
}  // namespace

class TestPayslipFiles : public QObject {
  Q_OBJECT

  QTemporaryDir folder_;  // a program folder without ad.txt
  QString programFolder() const { return folder_.path() + QLatin1Char('/'); }

 private slots:
  void layout_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("firstDataRow");
    QTest::addColumn<int>("emailColumn");
    QTest::addColumn<int>("maxRow");
    QTest::addColumn<int>("nameColumn");
    QTest::addColumn<QString>("subject");
    for (const char *ext : {"xls", "xlsx"}) {
      auto row = [&](const char *sheet) -> QTestData & {
        return QTest::addRow("%s %s", ext, sheet)
               << QString::fromLatin1(ext) << QString::fromUtf8(sheet);
      };
      row("工资") << 3 << 4 << 6 << 2 << "2021年5月工资表";
      row("标题与日期") << 3 << 4 << 3 << 0 << "payslips[标题与日期]";
      row("未合并") << 3 << 4 << 3 << 3 << "payslips[未合并]";
      row("双行表头") << 4 << 5 << 5 << 2 << "示例公司工资表";
      row("B3起") << 40 << 8 << 40 << 3 << "payslips[B3起]";
      row("杂项") << 3 << 4 << 3 << 0 << "联系";
      row("首行地址") << 1 << 2 << 2 << 0 << "payslips[首行地址]";
      row("无地址") << 0 << 0 << 2 << 0 << "payslips[无地址]";
    }
  }
  void layout() {
    QFETCH(QString, extension);
    QFETCH(QString, sheet);
    QFETCH(int, firstDataRow);
    QFETCH(int, emailColumn);
    QFETCH(int, maxRow);
    QFETCH(int, nameColumn);
    QFETCH(QString, subject);
    auto excel = open(fixture(extension));
    QVERIFY(excel);
    const int index = sheetIndex(*excel, sheet);
    QVERIFY(index > 0);
    excel->activate(index);
    const SheetLayout layout = AnalyseSheetLayout(*excel, QStringLiteral("payslips"));
    QCOMPARE(layout.FirstDataRowNumber, firstDataRow);
    QCOMPARE(layout.EmailColumnNumber, emailColumn);
    QCOMPARE(layout.MaxRowNumber, maxRow);
    QCOMPARE(layout.NameColumnNumber, nameColumn);
    QCOMPARE(layout.MailTitle, subject);
  }

  void exampleFromFile_data() {
    QTest::addColumn<QString>("extension");
    QTest::newRow("xls") << "xls";
    QTest::newRow("xlsx") << "xlsx";
  }
  void exampleFromFile() {
    QFETCH(QString, extension);
    auto excel = open(fixture(extension));
    QVERIFY(excel);
    excel->activate(sheetIndex(*excel, QStringLiteral("工资")));
    const QStringList footer = {QStringLiteral("人事部")};
    QCOMPARE(BuildHorizontalSlip(*excel, 3, 3, footer, 4, false, programFolder()),
             kExampleHorizontal);
    QCOMPARE(BuildVerticalSlip(*excel, 3, 3, footer, 4, false, programFolder()), kExampleVertical);
    // Markup and "&" unescaped, an empty cell, a grouped number read as its value, an empty
    // merged block gone, and a header merged over the hidden e-mail column keeping its span.
    excel->activate(sheetIndex(*excel, QStringLiteral("杂项")));
    QCOMPARE(
        BuildHorizontalSlip(*excel, 3, 3, {}, 4, false, programFolder()),
        kHorizontalHead +
            QStringLiteral("\r<tr><th colspan=\"2\" rowspan=\"1\">联系</th>\r</tr>"
                           "\r<tr><th><b>项目</b></th><th>A&B</th><th>电话</th>\r</tr>"
                           "<tr><td align=\"right\">奖金 < 1000</td>"
                           "<td align=\"right\">&nbsp;</td><td align=\"right\">1234.5</td></tr>"
                           "</table><br><hr/>") +
            kEnd);
  }

  void sameDocumentsFromXlsAndXlsx() {
    auto xls = open(fixture(QStringLiteral("xls")));
    auto xlsx = open(fixture(QStringLiteral("xlsx")));
    QVERIFY(xls && xlsx);
    QCOMPARE(xls->worksheetCount(), xlsx->worksheetCount());
    const QStringList footer = {QStringLiteral("人事部"), QString()};
    int compared = 0;
    for (int i = 1; i <= xls->worksheetCount(); ++i) {
      xls->activate(i);
      xlsx->activate(i);
      QCOMPARE(xls->activeSheetName(), xlsx->activeSheetName());
      int emailColumn = 0;
      const int firstDataRow = FindFirstEmailCell(*xls, emailColumn);
      if (firstDataRow == 0) continue;
      for (int row = firstDataRow; row <= xls->usedLastRow(); ++row) {
        for (bool showEmail : {false, true}) {
          QCOMPARE(BuildHorizontalSlip(*xlsx, firstDataRow, row, footer, emailColumn, showEmail,
                                       programFolder()),
                   BuildHorizontalSlip(*xls, firstDataRow, row, footer, emailColumn, showEmail,
                                       programFolder()));
          QCOMPARE(BuildVerticalSlip(*xlsx, firstDataRow, row, footer, emailColumn, showEmail,
                                     programFolder()),
                   BuildVerticalSlip(*xls, firstDataRow, row, footer, emailColumn, showEmail,
                                     programFolder()));
          compared += 2;
        }
      }
    }
    QVERIFY(compared >= 40);
  }
};

QTEST_GUILESS_MAIN(TestPayslipFiles)
#include "tst_payslipfiles.moc"
