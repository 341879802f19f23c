#include <QTest>
#include <algorithm>

#include "support/MemorySheet.h"
#include "workbook/EmailAddress.h"
#include "workbook/SheetLayout.h"
#include "workbook/TrimmedText.h"

namespace {
std::unique_ptr<SpreadsheetInstance> sheetOf(const QStringList &rows, const QStringList &merges,
                                             const QString &name = QStringLiteral("一车间")) {
  MemorySheet sheet(name);
  sheet.grid(rows);
  for (const QString &range : merges) sheet.merge(range);
  return sheet.workbook();
}

// Title row, header row, three employees (the third with the address in column B and words
// around it), a totals row and a note.
const QStringList kPayroll = {
    "2021年5月工资表||||",
    "工号|姓名|实发工资|邮箱|备注",
    "001|张三|#5000|zhangsan@example.com|",
    "002|李四|#6000|  lisi@example.com  |另见 li4@example.com",
    "003|王五 wangwu@example.com 外派|#5500||",
    "合计||#16500||",
    "|||注：本月含补发|",
};
}  // namespace

class TestSheetLayout : public QObject {
  Q_OBJECT

 private slots:
  void firstEmailCellIsEarliestRowThenLeftmostColumn_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("payroll") << kPayroll << 3 << 4;
    QTest::newRow("two in the first row")
        << QStringList{"名单|", "|a@x.cn|b@x.cn", "c@x.cn||"} << 2 << 2;
    QTest::newRow("address in row 1") << QStringList{"张三|z@x.cn"} << 1 << 2;
    QTest::newRow("only in the last used cell")
        << QStringList{"姓名|||", "张三|||", "李四|||w@x.cn"} << 3 << 4;
    QTest::newRow("trimmed before the test") << QStringList{"\t z@x.cn \r\n"} << 1 << 1;
  }
  void firstEmailCellIsEarliestRowThenLeftmostColumn() {
    QFETCH(QStringList, rows);
    QFETCH(int, row);
    QFETCH(int, column);
    int found = -1;
    QCOMPARE(FindFirstEmailCell(*sheetOf(rows, {}), found), row);
    QCOMPARE(found, column);
  }

  void noAddressLeavesTheColumnAlone() {
    int column = 77;
    QCOMPARE(
        FindFirstEmailCell(
            *sheetOf({"姓名|邮箱", "张三|张三@example.com", "李四|li@examplecom"}, {}), column),
        0);
    QCOMPARE(column, 77);
  }

  void rowEmailIsTheLeftmostWholeTrimmedCell_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("address");
    QTest::newRow("in the e-mail column") << 3 << true << "zhangsan@example.com";
    QTest::newRow("trimmed, leftmost of two") << 4 << true << "lisi@example.com";
    QTest::newRow("another column, words kept") << 5 << true << "王五 wangwu@example.com 外派";
    QTest::newRow("totals row") << 6 << false << "";
    QTest::newRow("note row") << 7 << false << "";
    QTest::newRow("below the used range") << 8 << false << "";
  }
  void rowEmailIsTheLeftmostWholeTrimmedCell() {
    QFETCH(int, row);
    QFETCH(bool, found);
    QFETCH(QString, address);
    QString got;
    QCOMPARE(GetRowEmail(*sheetOf(kPayroll, {"A1:E1"}), row, got), found);
    QCOMPARE(got, address);
  }

  void layoutOfAPayroll() {
    const SheetLayout layout =
        AnalyseSheetLayout(*sheetOf(kPayroll, {"A1:E1"}), QStringLiteral("2021年5月工资"));
    QCOMPARE(layout.FirstDataRowNumber, 3);
    QCOMPARE(layout.EmailColumnNumber, 4);  // row 5's address in column B does not move it
    QCOMPARE(layout.MaxRowNumber, 7);
    QCOMPARE(layout.dataRowCount(), 5);  // the totals and the note row count too
    QCOMPARE(layout.NameColumnNumber, 2);
    QCOMPARE(layout.MailTitle, QStringLiteral("2021年5月工资表"));
    QCOMPARE(
        LayoutSummaryText(layout.MaxRowNumber, layout.FirstDataRowNumber, layout.EmailColumnNumber),
        QStringLiteral("共包含5行数据。电子邮件地址位于第4列。"));
  }

  void summaryText() {
    QCOMPARE(LayoutSummaryText(60, 3, 5),
             QStringLiteral("共包含58行数据。电子邮件地址位于第5列。"));
  }

  void usedRangeAwayFromA1IsReadToItsLastCell() {
    // B3:H40: the last row and column are 40 and H, not the range's 38 rows and 7 columns.
    MemorySheet sheet(QStringLiteral("Sheet1"));
    sheet.text(3, 2, QStringLiteral("工号")).text(39, 8, QStringLiteral("姓名"));
    sheet.text(40, 2, QStringLiteral("001")).text(40, 8, QStringLiteral("h@x.cn"));
    auto workbook = sheet.workbook();
    const SheetLayout layout = AnalyseSheetLayout(*workbook, QStringLiteral("工资"));
    QCOMPARE(layout.FirstDataRowNumber, 40);
    QCOMPARE(layout.EmailColumnNumber, 8);
    QCOMPARE(layout.MaxRowNumber, 40);
    QCOMPARE(layout.dataRowCount(), 1);
    QCOMPARE(layout.NameColumnNumber, 8);
    QString address;
    QVERIFY(GetRowEmail(*workbook, 40, address));
    QCOMPARE(address, QStringLiteral("h@x.cn"));
  }

  void proposedSubject_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("merges");
    QTest::addColumn<QString>("subject");
    const QString fileForm = QStringLiteral("2021年5月工资[一车间]");
    QTest::newRow("A1 merged, one text")
        << QStringList{"  2021年5月工资表 ||"} << QStringList{"A1:C1"} << "2021年5月工资表";
    QTest::newRow("A1 merged, text further right")
        << QStringList{"||五月工资"} << QStringList{"A1:B1"} << "五月工资";
    QTest::newRow("A1 merged, title and date")
        << QStringList{"2021年5月工资表||2021-06-01"} << QStringList{"A1:B1"} << fileForm;
    QTest::newRow("A1 not merged")
        << QStringList{"2021年5月工资表||"} << QStringList{"B1:C1"} << fileForm;
    QTest::newRow("A1 merged, row 1 blank")
        << QStringList{" \t|"} << QStringList{"A1:B2"} << fileForm;
  }
  void proposedSubject() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, merges);
    QFETCH(QString, subject);
    QCOMPARE(ProposedMailTitle(*sheetOf(rows, merges), QStringLiteral("2021年5月工资")), subject);
  }

  void nameColumn_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("merges");
    QTest::addColumn<int>("firstDataRow");
    QTest::addColumn<int>("column");
    QTest::newRow("姓名") << QStringList{"工号|姓名|邮箱"} << QStringList{} << 2 << 2;
    QTest::newRow("name") << QStringList{"no|name|mail"} << QStringList{} << 2 << 2;
    QTest::newRow("leftmost wins") << QStringList{"name|工号|姓名"} << QStringList{} << 2 << 1;
    QTest::newRow("trailing blank") << QStringList{"工号|姓名 |邮箱"} << QStringList{} << 2 << 0;
    QTest::newRow("capital N") << QStringList{"No|Name|Mail"} << QStringList{} << 2 << 0;
    QTest::newRow("only the row above the data counts")
        << QStringList{"|姓名|", "工号||邮箱"} << QStringList{} << 3 << 0;
    QTest::newRow("merged over two rows") << QStringList{"工资表|||", "|姓名|应发|", "||基本|绩效"}
                                          << QStringList{"A1:D1", "B2:B3", "C2:D2"} << 4 << 2;
    QTest::newRow("block reaching below the header row, read from row 1")
        << QStringList{"工号|姓名", "|"} << QStringList{"B1:B3"} << 3 << 2;
    QTest::newRow("block reaching above row 1 is clipped")
        << QStringList{"工号|姓名", "|"} << QStringList{"B1:B3"} << 2 << 2;
    QTest::newRow("no header row") << QStringList{"姓名|a@x.cn"} << QStringList{} << 1 << 0;
  }
  void nameColumn() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, merges);
    QFETCH(int, firstDataRow);
    QFETCH(int, column);
    QCOMPARE(FindNameColumn(*sheetOf(rows, merges), firstDataRow), column);
  }

  // The searches visit the stored cells only; they find what the walk over every position of
  // the used range, row by row and column by column from A1, finds.
  void searchesFindWhatTheWalkFinds_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("merges");
    QTest::newRow("payroll") << kPayroll << QStringList{"A1:E1"};
    QTest::newRow("headers merged over rows and columns")
        << QStringList{"工资表|||", "|姓名|应发|", "||基本|绩效", "1|a@x.cn|#3|"}
        << QStringList{"A1:D1", "B2:B3", "C2:D2"};
    QTest::newRow("blocks reaching below the header row")
        << QStringList{"姓名|工号|name|", "||", "||", "a@x.cn|b@x.cn||c@x.cn"}
        << QStringList{"B1:B6", "C2:C9"};
    QTest::newRow("addresses hidden under a block read empty")
        << QStringList{"标题|h@x.cn|", "工号|name|x", "|d@x.cn|"} << QStringList{"A1:C1"};
    QTest::newRow("row 1 with a title and a date")
        << QStringList{"|标题||2024-01|", "名|m@x.cn||"} << QStringList{"A1:C1"};
    QTest::newRow("blank texts and numbers")
        << QStringList{"  |#1|\t", "name|  |#2", "| q@x.cn |"} << QStringList{};
    QTest::newRow("used range away from A1")
        << QStringList{"", "", "||姓名|", "||x@x.cn|"} << QStringList{"C5:D7"};
  }
  void searchesFindWhatTheWalkFinds() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, merges);
    const auto book = sheetOf(rows, merges);
    const int lastRow = book->usedLastRow(), lastColumn = book->usedLastColumn();
    auto text = [&](int r, int c) { return TrimmedText(book->cellText(r, c)); };

    int walkRow = 0, walkColumn = 0;
    for (int r = 1; r <= lastRow && walkRow == 0; ++r)
      for (int c = 1; c <= lastColumn && walkRow == 0; ++c)
        if (HasEmailAddress(text(r, c))) walkRow = r, walkColumn = c;
    int column = 0;
    QCOMPARE(FindFirstEmailCell(*book, column), walkRow);
    QCOMPARE(column, walkColumn);

    for (int r = 1; r <= lastRow + 1; ++r) {
      QString walkAddress;
      for (int c = 1; c <= lastColumn && walkAddress.isEmpty(); ++c)
        if (HasEmailAddress(text(r, c))) walkAddress = text(r, c);
      QString address;
      QCOMPARE(GetRowEmail(*book, r, address), !walkAddress.isEmpty());
      QCOMPARE(address, walkAddress);
    }

    for (int first = 1; first <= lastRow + 1; ++first) {
      const int h = first - 1;
      int walkName = 0;
      for (int b = 1; h >= 1 && b <= lastColumn && walkName == 0; ++b) {
        const int top = std::max(1, h - book->mergeAreaRows(h, b) + 1);
        for (int r = book->cellMerged(h, b) ? top : h; r <= h && walkName == 0; ++r)
          if (book->cellText(r, b) == QStringLiteral("姓名") ||
              book->cellText(r, b) == QStringLiteral("name"))
            walkName = b;
      }
      QCOMPARE(FindNameColumn(*book, first), walkName);
    }
  }

  // Whole-sheet shapes: the answers come from the few cells and blocks stored (the walk would
  // visit 1.7e10 positions).
  void wholeSheetShapesInMemory() {
    MemorySheet sheet;
    sheet.text(1, 2, QStringLiteral("姓名"));
    sheet.merge(1, 2, 1048575, 16384);
    sheet.text(1048576, 1, QStringLiteral("z@x.cn"));
    sheet.text(1048576, 16384, QStringLiteral("y@x.cn"));
    const auto book = sheet.workbook();
    int column = 0;
    QCOMPARE(FindFirstEmailCell(*book, column), 1048576);
    QCOMPARE(column, 1);
    QCOMPARE(FindNameColumn(*book, 1048576), 2);
    QString address;
    QVERIFY(GetRowEmail(*book, 1048576, address));
    QCOMPARE(address, QStringLiteral("z@x.cn"));
    QVERIFY(!GetRowEmail(*book, 1048575, address));
    QCOMPARE(ProposedMailTitle(*book, QStringLiteral("表")), QStringLiteral("表[Sheet1]"));
  }

  void addressInRowOneMeansNoHeaderAndNothingFails() {
    const SheetLayout layout =
        AnalyseSheetLayout(*sheetOf({"张三|z@x.cn", "李四|l@x.cn"}, {}), QStringLiteral("名单"));
    QCOMPARE(layout.FirstDataRowNumber, 1);
    QCOMPARE(layout.NameColumnNumber, 0);
    QCOMPARE(layout.dataRowCount(), 2);
    QCOMPARE(layout.MailTitle, QStringLiteral("名单[一车间]"));
  }
};

QTEST_GUILESS_MAIN(TestSheetLayout)
#include "tst_sheetlayout.moc"
