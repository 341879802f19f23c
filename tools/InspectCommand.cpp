#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliCommands.h"
#include "CliOutput.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
QJsonValue numberOrNull(int value) { return value > 0 ? QJsonValue(value) : QJsonValue(); }
}  // namespace

// korvane-cli inspect FILE: the layout the import would find on each worksheet, as JSON.
int RunInspectCommand(const QStringList &args) {
  if (args.size() != 1) return Fail(QStringLiteral("usage: korvane-cli inspect FILE"));
  const QString path = args.first();
  std::unique_ptr<SpreadsheetInstance> excel;
  QString message;
  if (!OpenWorkbook(path, excel, message)) return Fail(message);

  const QString salaryFileName = QFileInfo(path).completeBaseName();
  QJsonArray sheets;
  for (int i = 1; i <= excel->worksheetCount(); ++i) {
    excel->activate(i);
    const SheetLayout layout = AnalyseSheetLayout(*excel, salaryFileName);
    QJsonObject sheet;
    sheet[QStringLiteral("index")] = i;
    sheet[QStringLiteral("name")] = excel->activeSheetName();
    sheet[QStringLiteral("used_last_row")] = excel->usedLastRow();
    sheet[QStringLiteral("used_last_col")] = excel->usedLastColumn();
    sheet[QStringLiteral("first_data_row")] = layout.FirstDataRowNumber;
    sheet[QStringLiteral("email_col")] = numberOrNull(layout.EmailColumnNumber);
    sheet[QStringLiteral("name_col")] = numberOrNull(layout.NameColumnNumber);
    sheet[QStringLiteral("subject")] = layout.MailTitle;
    sheet[QStringLiteral("data_rows")] = layout.FirstDataRowNumber > 0 ? layout.dataRowCount() : 0;
    sheets.append(sheet);
  }
  CloseWorkbook(excel.get());
  QuitWorkbookApp(excel);

  QJsonObject root;
  root[QStringLiteral("file")] = path;
  root[QStringLiteral("sheets")] = sheets;
  WriteOut(QJsonDocument(root).toJson(QJsonDocument::Indented));
  return 0;
}
