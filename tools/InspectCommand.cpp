#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>
#include <vector>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
QJsonValue numberOrNull(int value) { return value > 0 ? QJsonValue(value) : QJsonValue(); }

// One JSON value in its compact form, escaped by Qt.
QString jsonText(const QJsonValue &value) {
  const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// An object with its members in the order given (QJsonObject would sort them).
using Members = std::vector<std::pair<const char *, QJsonValue>>;
QString jsonObject(const Members &members, const QString &indent) {
  QString out = QStringLiteral("{\n");
  for (size_t i = 0; i < members.size(); ++i) {
    out += indent + QStringLiteral("  \"") + QLatin1String(members[i].first) +
           QStringLiteral("\": ") + jsonText(members[i].second);
    out += i + 1 < members.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
  }
  return out + indent + QLatin1Char('}');
}
}  // namespace

// korvane-cli inspect FILE: the layout the import would find on each worksheet, as JSON.
int RunInspectCommand(const QStringList &args) {
  CommandLine line(QStringLiteral("inspect"), QStringLiteral("FILE"),
                   QStringLiteral("Prints the layout of each worksheet as JSON."));
  int status = 0;
  if (!line.parse(args, 1, 1, status)) return status;
  const QString path = line.positional().first();
  std::unique_ptr<SpreadsheetInstance> excel;
  QString message;
  if (!OpenWorkbook(path, excel, message)) return Fail(message);

  const QString salaryFileName = QFileInfo(path).completeBaseName();
  QStringList sheets;
  for (int i = 1; i <= excel->worksheetCount(); ++i) {
    excel->activate(i);
    const SheetLayout layout = AnalyseSheetLayout(*excel, salaryFileName);
    sheets << QStringLiteral("    ") +
                  jsonObject(
                      {{"index", i},
                       {"name", excel->activeSheetName()},
                       {"used_last_row", excel->usedLastRow()},
                       {"used_last_col", excel->usedLastColumn()},
                       {"first_data_row", layout.FirstDataRowNumber},
                       {"email_col", numberOrNull(layout.EmailColumnNumber)},
                       {"name_col", numberOrNull(layout.NameColumnNumber)},
                       {"subject", layout.MailTitle},
                       {"data_rows", layout.FirstDataRowNumber > 0 ? layout.dataRowCount() : 0}},
                      QStringLiteral("    "));
  }
  CloseWorkbook(excel.get());
  QuitWorkbookApp(excel);

  WriteOut(QStringLiteral("{\n  \"file\": ") + jsonText(path) +
           QStringLiteral(",\n  \"sheets\": [\n") + sheets.join(QStringLiteral(",\n")) +
           QStringLiteral("\n  ]\n}\n"));
  return 0;
}
