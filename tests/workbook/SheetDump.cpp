#include "SheetDump.h"

#include <QStringList>

#include "support/TestPaths.h"
#include "workbook/CellText.h"
#include "workbook/Worksheet.h"

QString CellsLine(const Worksheet &sheet) {
  QStringList out;
  for (const Worksheet::Entry &e : sheet.cells())
    out.append(QStringLiteral("R%1C%2=%3")
                   .arg(e.row)
                   .arg(e.column)
                   .arg(CellValueText(sheet, e.value, CellTextStyle::Neutral)));
  return out.join(QLatin1String("; "));
}

QString UsedRangeLine(const Worksheet &sheet) {
  return QStringLiteral("R%1C%2:R%3C%4")
      .arg(sheet.usedFirstRow())
      .arg(sheet.usedFirstColumn())
      .arg(sheet.usedLastRow())
      .arg(sheet.usedLastColumn());
}

QString MergesLine(const Worksheet &sheet) {
  QStringList out;
  for (const MergeArea &m : sheet.merges())
    out.append(
        QStringLiteral("R%1C%2:R%3C%4").arg(m.top).arg(m.left).arg(m.bottom()).arg(m.right()));
  return out.join(QLatin1String("; "));
}

QString FixturePath(const QString &name) {
  return TestDataDir() + QStringLiteral("/workbook/fixtures/") + name;
}
