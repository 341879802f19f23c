#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <thread>

#include "ExampleSlips.h"
#include "data/ProgramFolder.h"
#include "data/Scramble.h"
#include "payslip/AdText.h"
#include "payslip/PayslipBuilder.h"
#include "support/MemorySheet.h"

namespace {
// The example payroll: a title merged over A1:D1, headers, one employee with the address in D.
std::unique_ptr<SpreadsheetInstance> examplePayroll() {
  return MemorySheet(QStringLiteral("Sheet1"))
      .grid(
          {"2021年5月工资表|||", "工号|姓名|实发工资|邮箱", "001|张三|#5000|zhangsan@example.com"})
      .merge(QStringLiteral("A1:D1"))
      .workbook();
}

// What lies between the table's start tag and its end tag.
QString tableBody(const QString &document) {
  const QString start = QStringLiteral("<table border=\"1\">");
  const qsizetype from = document.indexOf(start) + start.size();
  return document.mid(from, document.indexOf(QStringLiteral("</table>")) - from);
}

bool writeFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray utf16(const QString &text, bool bigEndian) {
  QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
  for (QChar ch : text) {
    const char hi = static_cast<char>(ch.unicode() >> 8), lo = static_cast<char>(ch.unicode());
    out += bigEndian ? QByteArray{&hi, 1} + QByteArray{&lo, 1}
                     : QByteArray{&lo, 1} + QByteArray{&hi, 1};
  }
  return out;
}
}  // namespace

class TestPayslipBuilder : public QObject {
  Q_OBJECT

  QTemporaryDir folder_;  // the program folder: no ad.txt unless a test writes one
  QString programFolder() const { return folder_.path() + QLatin1Char('/'); }

 private slots:
  void exampleHorizontal() {
    QCOMPARE(BuildHorizontalSlip(*examplePayroll(), 3, 3, {QStringLiteral("人事部")}, 4, false,
                                 programFolder()),
             kExampleHorizontal);
  }

  void exampleVertical() {
    QCOMPARE(BuildVerticalSlip(*examplePayroll(), 3, 3, {QStringLiteral("人事部")}, 4, false,
                               programFolder()),
             kExampleVertical);
  }

  void table_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("merges");
    QTest::addColumn<int>("firstDataRow");
    QTest::addColumn<int>("emailColumn");
    QTest::addColumn<bool>("showEmail");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");
    // The employee row is always the last row of the grid.

    QTest::newRow("no header rows")
        << QStringList{"张三|z@x.cn|#5000"} << QStringList{} << 1 << 2 << false
        << "<tr><td align=\"right\">张三</td><td align=\"right\">5000</td></tr>"
        << "<tr><td align=\"right\">张三</td>\r</tr><tr><td align=\"right\">5000</td>\r</tr>\r";
    QTest::newRow("empty header and employee cells")
        << QStringList{"工号||邮箱", "|张三|z@x.cn"} << QStringList{} << 2 << 3 << false
        << "\r<tr><th>工号</th><th></th>\r</tr>"
           "<tr><td align=\"right\">&nbsp;</td><td align=\"right\">张三</td></tr>"
        << "<tr><th>工号</th><td align=\"right\">&nbsp;</td>\r</tr>"
           "<tr><th></th><td align=\"right\">张三</td>\r</tr>\r";
    QTest::newRow("markup is not escaped")
        << QStringList{"<b>奖金</b>|邮箱", " A&B <i>|z@x.cn"} << QStringList{} << 2 << 2 << false
        << "\r<tr><th><b>奖金</b></th>\r</tr><tr><td align=\"right\">A&B <i></td></tr>"
        << "<tr><th><b>奖金</b></th><td align=\"right\">A&B <i></td>\r</tr>\r";
    QTest::newRow("show e-mail on")
        << QStringList{"姓名|邮箱", "张三|  张三 z@x.cn \t"} << QStringList{} << 2 << 2 << true
        << "\r<tr><th>姓名</th><th>邮箱</th>\r</tr>"
           "<tr><td align=\"right\">张三</td><td align=\"right\">张三 z@x.cn</td></tr>"
        << "<tr><th>姓名</th><td align=\"right\">张三</td>\r</tr>"
           "<tr><th>邮箱</th><td align=\"right\">张三 z@x.cn</td>\r</tr>\r";
    QTest::newRow("address in another column")
        << QStringList{"备用|姓名|邮箱", "b@x.cn|李四|"} << QStringList{} << 2 << 3 << false
        << "\r<tr><th>备用</th><th>姓名</th>\r</tr>"
           "<tr><td align=\"right\">b@x.cn</td><td align=\"right\">李四</td></tr>"
        << "<tr><th>备用</th><td align=\"right\">b@x.cn</td>\r</tr>"
           "<tr><th>姓名</th><td align=\"right\">李四</td>\r</tr>\r";
    QTest::newRow("merged header whose top-left is the hidden e-mail column")
        << QStringList{"|联系|", "姓名|邮箱|电话", "张三|z@x.cn|#110"} << QStringList{"B1:C1"} << 3
        << 2 << false
        << "\r<tr><th></th>\r</tr>\r<tr><th>姓名</th><th>电话</th>\r</tr>"
           "<tr><td align=\"right\">张三</td><td align=\"right\">110</td></tr>"
        << "<tr><th></th><th>姓名</th><td align=\"right\">张三</td>\r</tr>"
           "<tr><th>电话</th><td align=\"right\">110</td>\r</tr>\r";
    QTest::newRow("merged header over the hidden e-mail column keeps its span")
        << QStringList{"|联系|", "姓名|邮箱|电话", "张三|z@x.cn|#110"} << QStringList{"B1:C1"} << 3
        << 3 << false
        << "\r<tr><th></th><th colspan=\"2\" rowspan=\"1\">联系</th>\r</tr>"
           "\r<tr><th>姓名</th><th>邮箱</th>\r</tr>"
           "<tr><td align=\"right\">张三</td><td align=\"right\">z@x.cn</td></tr>"
        << "<tr><th></th><th>姓名</th><td align=\"right\">张三</td>\r</tr>"
           "<tr><th colspan=\"1\" rowspan=\"2\"><div class=\"shuli\">联系</div></th><th>邮箱</th>"
           "<td align=\"right\">z@x.cn</td>\r</tr>\r";
    QTest::newRow("empty merged top-left cell")
        << QStringList{"||", "工号|姓名|邮箱", "001|张三|z@x.cn"} << QStringList{"A1:B1"} << 3 << 3
        << false
        << "\r<tr>\r</tr>\r<tr><th>工号</th><th>姓名</th>\r</tr>"
           "<tr><td align=\"right\">001</td><td align=\"right\">张三</td></tr>"
        << "<tr><th>工号</th><td align=\"right\">001</td>\r</tr>"
           "<tr><th>姓名</th><td align=\"right\">张三</td>\r</tr>\r";
    QTest::newRow("merged employee cell, a column with every cell left out")
        << QStringList{"工资||邮箱", "#100||z@x.cn"} << QStringList{"A1:B1", "A2:B2"} << 2 << 3
        << false
        << "\r<tr><th colspan=\"2\" rowspan=\"1\">工资</th>\r</tr>"
           "<tr><td align=\"right\" colspan=\"2\" rowspan=\"1\">100</td></tr>"
        << "<tr><th colspan=\"1\" rowspan=\"2\"><div class=\"shuli\">工资</div></th>"
           "<td align=\"right\" colspan=\"1\" rowspan=\"2\">100</td>\r</tr><tr>\r";
    QTest::newRow("header merged down two rows, not wrapped")
        << QStringList{"姓名|应发|", "|基本|绩效", "张三|#1|#2"} << QStringList{"A1:A2", "B1:C1"}
        << 3 << 9 << false
        << "\r<tr><th colspan=\"1\" rowspan=\"2\">姓名</th>"
           "<th colspan=\"2\" rowspan=\"1\">应发</th>\r</tr>"
           "\r<tr><th>基本</th><th>绩效</th>\r</tr>"
           "<tr><td align=\"right\">张三</td><td align=\"right\">1</td><td "
           "align=\"right\">2</td></tr>"
        << "<tr><th colspan=\"2\" rowspan=\"1\">姓名</th><td align=\"right\">张三</td>\r</tr>"
           "<tr><th colspan=\"1\" rowspan=\"2\"><div class=\"shuli\">应发</div></th><th>基本</th>"
           "<td align=\"right\">1</td>\r</tr>"
           "<tr><th>绩效</th><td align=\"right\">2</td>\r</tr>\r";
  }
  void table() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, merges);
    QFETCH(int, firstDataRow);
    QFETCH(int, emailColumn);
    QFETCH(bool, showEmail);
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);
    MemorySheet sheet;
    sheet.grid(rows);
    for (const QString &range : merges) sheet.merge(range);
    const auto workbook = sheet.workbook();
    const int row = static_cast<int>(rows.size());
    const QString h = BuildHorizontalSlip(*workbook, firstDataRow, row, {}, emailColumn, showEmail,
                                          programFolder());
    const QString v = BuildVerticalSlip(*workbook, firstDataRow, row, {}, emailColumn, showEmail,
                                        programFolder());
    QCOMPARE(tableBody(h), horizontal);
    QCOMPARE(tableBody(v), vertical);
    QVERIFY(h.startsWith(kHorizontalHead));
    QVERIFY(v.startsWith(kVerticalHead));
    QVERIFY(h.endsWith(QStringLiteral("</table><br><hr/>") + kEnd));
    QVERIFY(v.endsWith(QStringLiteral("</table><br><hr/>") + kEnd));
  }

  void footerLines_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("tail");
    QTest::newRow("empty footer") << QStringList{} << "";
    QTest::newRow("one line") << QStringList{"人事部"} << "<a>人事部</a><br>";
    QTest::newRow("empty line and markup")
        << QStringList{"人事部", "", "<b>2021-06-01</b>"}
        << "<a>人事部</a><br><a></a><br><a><b>2021-06-01</b></a><br>";
  }
  void footerLines() {
    QFETCH(QStringList, lines);
    QFETCH(QString, tail);
    const auto workbook = examplePayroll();
    const QString after = QStringLiteral("</table><br><hr/>") + tail + kEnd;
    QVERIFY(BuildHorizontalSlip(*workbook, 3, 3, lines, 4, false, programFolder()).endsWith(after));
    QVERIFY(BuildVerticalSlip(*workbook, 3, 3, lines, 4, false, programFolder()).endsWith(after));
  }

  void adText_data() {
    const QString ad = QStringLiteral("<p style=\"color:#888\">工资条由Korvane发送</p>");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("8-bit") << ScrambleText(ad).toLatin1() << ad;
    QTest::newRow("8-bit with line end") << ScrambleText(ad).toLatin1() + "\r\n" << ad;
    QTest::newRow("UTF-8 BOM") << "\xEF\xBB\xBF" + ScrambleText(ad).toUtf8() << ad;
    QTest::newRow("UTF-16LE BOM") << utf16(ScrambleText(ad), false) << ad;
    QTest::newRow("UTF-16BE BOM") << utf16(ScrambleText(ad), true) << ad;
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("not hexadecimal")
        << ScrambleText(ad).toLatin1().replace(8, 4, "zz12") << QString();
    QTest::newRow("plain text") << QByteArray("<p>广告</p>") << QString();
  }
  void adText() {
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QVERIFY(writeFile(folder + QStringLiteral("ad.txt"), content));
    QCOMPARE(ReadAdText(folder), expected);
    const QString after = QStringLiteral("<a>人事部</a><br>") + expected + kEnd;
    const auto workbook = examplePayroll();
    QVERIFY(BuildHorizontalSlip(*workbook, 3, 3, {QStringLiteral("人事部")}, 4, false, folder)
                .endsWith(after));
    QVERIFY(BuildVerticalSlip(*workbook, 3, 3, {QStringLiteral("人事部")}, 4, false, folder)
                .endsWith(after));
  }

  void adTextUnreadable() {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QCOMPARE(ReadAdText(folder), QString());  // missing
    QVERIFY(QDir(folder).mkdir(QStringLiteral("ad.txt")));
    QCOMPARE(ReadAdText(folder), QString());  // a folder in its place
  }

  void adTextReplacedByRenameIsReadWhole() {
    // The download writes a temporary file and renames it over ad.txt while payslips are built.
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString first = QStringLiteral("<p>%1</p>").arg(QString(20000, QLatin1Char('a')));
    const QString second = QStringLiteral("<p>%1</p>").arg(QString(30000, QChar(0x5E7F)));
    const QByteArray bytes[] = {ScrambleText(first).toLatin1(), ScrambleText(second).toLatin1()};
    QVERIFY(writeFile(folder + QStringLiteral("ad.txt"), bytes[0]));
    std::atomic<bool> stop{false};
    std::atomic<int> writeFailures{0};
    std::thread downloader([&] {
      for (int i = 0; !stop; ++i) {
        const QString temp = folder + QStringLiteral("ad.txt.part");
        if (!writeFile(temp, bytes[i % 2]) ||
            std::rename(temp.toLocal8Bit().constData(),
                        (folder + QStringLiteral("ad.txt")).toLocal8Bit().constData()) != 0)
          ++writeFailures;
      }
    });
    int torn = 0;
    for (int i = 0; i < 300; ++i) {
      const QString text = ReadAdText(folder);
      if (text != first && text != second) ++torn;
    }
    stop = true;
    downloader.join();
    QCOMPARE(writeFailures.load(), 0);
    QCOMPARE(torn, 0);
  }

  void adTextIsReadAtEveryBuildFromTheProgramFolder() {
    QTemporaryDir dir;
    SetProgramFolderForTesting(dir.path());
    const auto workbook = examplePayroll();
    const QString before = BuildHorizontalSlip(*workbook, 3, 3, {}, 4, false);
    QVERIFY(writeFile(dir.path() + QStringLiteral("/ad.txt"),
                      ScrambleText(QStringLiteral("<i>新</i>")).toLatin1()));
    const QString after = BuildHorizontalSlip(*workbook, 3, 3, {}, 4, false);
    SetProgramFolderForTesting(QString());
    QVERIFY(before.endsWith(QStringLiteral("<hr/>") + kEnd));
    QVERIFY(after.endsWith(QStringLiteral("<hr/><i>新</i>") + kEnd));
  }
};

QTEST_GUILESS_MAIN(TestPayslipBuilder)
#include "tst_payslipbuilder.moc"
