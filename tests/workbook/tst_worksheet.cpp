#include <QTest>

#include "SheetDump.h"
#include "workbook/Worksheet.h"

// The sparse cell store: the used range and merge rules whatever order a reader fills it in.
class TestWorksheet : public QObject {
  Q_OBJECT

 private slots:
  void cellsInAnyOrderLastValueWins() {
    Worksheet sheet;
    sheet.setNumber(5, 2, 1);
    sheet.setText(1, 3, QStringLiteral("a"));
    sheet.setNumber(5, 2, 2);
    sheet.setText(3, 1, QString());  // an empty text is no value
    sheet.finish();
    QCOMPARE(CellsLine(sheet), QStringLiteral("R1C3=a; R5C2=2"));
    QCOMPARE(UsedRangeLine(sheet), QStringLiteral("R1C2:R5C3"));
  }

  void overlappingBlocks_data() {
    QTest::addColumn<QList<QList<int>>>("blocks");
    QTest::addColumn<QString>("kept");
    QTest::newRow("disjoint blocks all stay")
        << QList<QList<int>>{{1, 1, 2, 2}, {1, 3, 1, 5}} << "R1C1:R2C2; R1C3:R1C5";
    QTest::newRow("the first of two overlapping blocks wins")
        << QList<QList<int>>{{2, 2, 3, 4}, {3, 4, 5, 5}} << "R2C2:R3C4";
    QTest::newRow("a block over a whole sheet is decided before the small ones")
        << QList<QList<int>>{{1, 1, 2, 2}, {1, 1, 1048576, 16384}} << "R1C1:R1048576C16384";
    QTest::newRow("corners given the wrong way round, single cells dropped")
        << QList<QList<int>>{{3, 3, 2, 2}, {7, 7, 7, 7}} << "R2C2:R3C3";
  }
  void overlappingBlocks() {
    QFETCH(QList<QList<int>>, blocks);
    QFETCH(QString, kept);
    Worksheet sheet;
    for (const auto &b : blocks) sheet.addMerge(b[0], b[1], b[2], b[3]);
    sheet.finish();
    QCOMPARE(MergesLine(sheet), kept);
  }

  void manyOverlappingBlocksStayCheap() {
    // 200,000 blocks that each overlap the one before: a hostile file's worth. Each block
    // must be checked against its own cells, not against every block kept so far.
    Worksheet sheet;
    for (int i = 0; i < 200000; ++i) sheet.addMerge(i + 1, 1, i + 2, 2);
    sheet.addMerge(1, 5, 1, 6);  // beyond the allowed count: ignored
    sheet.finish();
    QCOMPARE(sheet.merges().size(), size_t{100000});
    QCOMPARE(sheet.mergeArea(200000, 2).top, 199999);
    QCOMPARE(sheet.mergeArea(200001, 2).rows, 1);
    QVERIFY(!sheet.isMerged(1, 5));
  }

  void valuesUnderABlockReadEmpty() {
    Worksheet sheet;
    sheet.setText(2, 2, QStringLiteral("top left"));
    sheet.setText(2, 3, QStringLiteral("covered"));
    sheet.setText(3, 2, QStringLiteral("covered too"));
    sheet.addMerge(2, 2, 3, 3);
    sheet.finish();
    QCOMPARE(CellsLine(sheet), QStringLiteral("R2C2=top left"));
    QCOMPARE(sheet.mergeArea(3, 3).top, 2);
    QCOMPARE(sheet.mergeArea(3, 3).columns, 2);
  }

  void emptySheetIsA1() {
    Worksheet sheet;
    sheet.finish();
    QCOMPARE(UsedRangeLine(sheet), QStringLiteral("R1C1:R1C1"));
    QCOMPARE(sheet.usedRowCount(), 1);
    QVERIFY(sheet.value(1, 1).isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestWorksheet)
#include "tst_worksheet.moc"
