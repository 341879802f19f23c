#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliCommands.h"
#include "CliOutput.h"
#include "workbook/CellText.h"
#include "workbook/WorkbookAccess.h"

namespace {
QJsonObject sheetJson(const SpreadsheetInstance &book, int index) {
  const Worksheet &sheet = book.worksheet(index);
  QJsonArray cells;
  for (const Worksheet::Entry &e : sheet.cells())
    cells.append(QJsonArray{e.row, e.column, CellValueText(sheet, e.value, CellTextStyle::Neutral)});
  QJsonArray merges;
  for (const MergeArea &m : sheet.merges()) merges.append(QJsonArray{m.top, m.left, m.bottom(), m.right()});
  return QJsonObject{{QStringLiteral("index"), index},
                     {QStringLiteral("name"), sheet.name()},
                     {QStringLiteral("hidden"), sheet.hidden()},
                     {QStringLiteral("used_first_row"), sheet.usedFirstRow()},
                     {QStringLiteral("used_first_col"), sheet.usedFirstColumn()},
                     {QStringLiteral("used_last_row"), sheet.usedLastRow()},
                     {QStringLiteral("used_last_col"), sheet.usedLastColumn()},
                     {QStringLiteral("cells"), cells},
                     {QStringLiteral("merges"), merges}};
}
}  // namespace

int RunCellsCommand(const QStringList &args) {
  QString file;
  int only = 0;
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--sheet") && i + 1 < args.size()) {
      bool ok = false;
      only = args[++i].toInt(&ok);
      if (!ok || only < 1) return Fail(QStringLiteral("--sheet wants a sheet number from 1"));
    } else if (file.isEmpty()) {
      file = args[i];
    } else {
      return Fail(QStringLiteral("usage: korvane-cli cells FILE [--sheet N]"));
    }
  }
  if (file.isEmpty()) return Fail(QStringLiteral("usage: korvane-cli cells FILE [--sheet N]"));
  std::unique_ptr<SpreadsheetInstance> book;
  QString message;
  if (!OpenWorkbook(file, book, message)) return Fail(message);
  if (only > book->worksheetCount())
    return Fail(QStringLiteral("the workbook has %1 sheets").arg(book->worksheetCount()));
  QJsonArray sheets;
  for (int i = 1; i <= book->worksheetCount(); ++i)
    if (only == 0 || i == only) sheets.append(sheetJson(*book, i));
  const QJsonObject root{{QStringLiteral("file"), file}, {QStringLiteral("sheets"), sheets}};
  WriteOut(QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n');
  QuitWorkbookApp(book);
  return 0;
}
