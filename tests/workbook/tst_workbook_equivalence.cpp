// The same workbook content written as .xls (xlwt), .xlsx (openpyxl) and .ods reads the same
// through OpenWorkbook: sheets, used ranges, merged blocks and every cell's text.
#include <QTest>
#include <memory>

#include "support/TestPaths.h"
#include "workbook/CellText.h"
#include "workbook/WorkbookAccess.h"

namespace {
// Everything a caller can read of a workbook, one line per fact.
QStringList Reading(const SpreadsheetInstance &book) {
  QStringList out;
  out << QStringLiteral("sheets %1").arg(book.worksheetCount());
  for (int i = 1; i <= book.worksheetCount(); ++i) {
    const Worksheet &s = book.worksheet(i);
    out << QStringLiteral("sheet %1 '%2'%3 used %4,%5:%6,%7")
               .arg(i)
               .arg(s.name(), s.hidden() ? QStringLiteral(" hidden") : QString())
               .arg(s.usedFirstRow())
               .arg(s.usedFirstColumn())
               .arg(s.usedLastRow())
               .arg(s.usedLastColumn());
    for (const MergeArea &m : s.merges())
      out << QStringLiteral("  merge %1,%2 %3x%4")
                 .arg(m.top)
                 .arg(m.left)
                 .arg(m.rows)
                 .arg(m.columns);
    for (int r = 1; r <= s.usedLastRow(); ++r)
      for (int c = 1; c <= s.usedLastColumn(); ++c) {
        const CellValue v = s.value(r, c);
        if (v.isEmpty()) continue;
        out << QStringLiteral("  %1,%2 %3 %4 | %5")
                   .arg(r)
                   .arg(c)
                   .arg(int(v.type))
                   .arg(CellValueText(s, v, CellTextStyle::Neutral), CellValueText(s, v));
      }
  }
  return out;
}
}  // namespace

class TestWorkbookEquivalence : public QObject {
  Q_OBJECT
 private slots:
  void sameReading_data() {
    QTest::addColumn<QString>("name");
    for (const char *name : {"edge_cases", "dates_1900", "dates_1904", "text_values", "formulas",
                             "many_sheets", "payroll"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }

  void sameReading() {
    QFETCH(QString, name);
    const QString base = TestDataDir() + QStringLiteral("/workbook/fixtures/") + name;
    std::unique_ptr<SpreadsheetInstance> xls;
    QString message;
    QVERIFY2(OpenWorkbook(base + QStringLiteral(".xls"), xls, message), qPrintable(message));
    const QStringList fromXls = Reading(*xls);
    QVERIFY(fromXls.size() > 1);
    for (const char *other : {".xlsx", ".ods"}) {
      std::unique_ptr<SpreadsheetInstance> book;
      QVERIFY2(OpenWorkbook(base + QLatin1String(other), book, message), qPrintable(message));
      const QStringList fromOther = Reading(*book);
      for (int i = 0; i < std::max(fromXls.size(), fromOther.size()); ++i)
        QCOMPARE(fromOther.value(i), fromXls.value(i));
    }
  }
};

QTEST_GUILESS_MAIN(TestWorkbookEquivalence)
#include "tst_workbook_equivalence.moc"
