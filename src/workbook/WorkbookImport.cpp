#include "WorkbookImport.h"

#include <QFileInfo>

#include "SheetLayout.h"
#include "SpreadsheetInstance.h"
#include "data/Data.h"
#include "data/SqlText.h"

QList<int> FindAddressSheets(SpreadsheetInstance &instance) {
  QList<int> sheets;
  for (int i = 1; i <= instance.worksheetCount(); ++i) {
    instance.activate(i);
    int emailColumn = 0;
    if (FindFirstEmailCell(instance, emailColumn) > 0) sheets << i;
  }
  return sheets;
}

bool StoreSheetChoices(DbQuery &query, SpreadsheetInstance &instance, QString &errorText) {
  for (int i = 1; i <= instance.worksheetCount(); ++i) {
    instance.activate(i);
    int emailColumn = 0;
    if (FindFirstEmailCell(instance, emailColumn) == 0) continue;
    if (!SqlExec(QStringLiteral("insert into sheet_choise(sheet_name,sheet_id) values(") +
                     QuotedSqlText(instance.activeSheetName()) + QLatin1Char(',') +
                     QString::number(i) + QLatin1Char(')'),
                 query, errorText))
      return false;
  }
  return true;
}

bool ChosenSheets(DbQuery &query, QList<int> &sheets, QString &errorText) {
  sheets.clear();
  if (!SqlOpen(QStringLiteral("select * from sheet_choise where selected=true"), query, errorText))
    return false;
  for (; !query.eof(); query.next())
    sheets << query.fieldByName(QStringLiteral("sheet_id")).toInt();
  query.close();
  return true;
}

QString SalaryFileBaseName(const QString &path) { return QFileInfo(path).completeBaseName(); }
