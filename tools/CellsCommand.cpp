#include <QByteArray>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "workbook/CellText.h"
#include "workbook/WorkbookAccess.h"

namespace {
// Cells are written as they are read: a sheet's texts may add up to far more than its
// workbook holds in memory (one long shared string in many cells).
QByteArray jsonString(const QString &text) {
  QByteArray out;
  const QByteArray utf8 = text.toUtf8();
  out.reserve(utf8.size() + 2);
  out += '"';
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20)
          out += "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
          out += ch;
    }
  }
  out += '"';
  return out;
}

QByteArray number(int n) { return QByteArray::number(n); }

void writeSheet(const SpreadsheetInstance &book, int index) {
  const Worksheet &sheet = book.worksheet(index);
  WriteOut("{\"index\": " + number(index) + ", \"name\": " + jsonString(sheet.name()) +
           ", \"hidden\": " + (sheet.hidden() ? "true" : "false") +
           ", \"used_first_row\": " + number(sheet.usedFirstRow()) + ", \"used_first_col\": " +
           number(sheet.usedFirstColumn()) + ", \"used_last_row\": " + number(sheet.usedLastRow()) +
           ", \"used_last_col\": " + number(sheet.usedLastColumn()) + ", \"cells\": [");
  bool first = true;
  for (const Worksheet::Entry &e : sheet.cells()) {
    WriteOut(QByteArray(first ? "" : ", ") + "[" + number(e.row) + ", " + number(e.column) + ", " +
             jsonString(CellValueText(sheet, e.value, CellTextStyle::Neutral)) + "]");
    first = false;
  }
  WriteOut(QByteArray("], \"merges\": ["));
  first = true;
  for (const MergeArea &m : sheet.merges()) {
    WriteOut(QByteArray(first ? "" : ", ") + "[" + number(m.top) + ", " + number(m.left) + ", " +
             number(m.bottom()) + ", " + number(m.right()) + "]");
    first = false;
  }
  WriteOut(QByteArray("]}"));
}
}  // namespace

int RunCellsCommand(const QStringList &args) {
  CommandLine line(QStringLiteral("cells"), QStringLiteral("FILE"),
                   QStringLiteral("Prints every sheet's used range, cells and merges as JSON."));
  line.addValue(QStringLiteral("sheet"), QStringLiteral("N"), QStringLiteral("only sheet N"));
  int status = 0;
  int only = 0;
  if (!line.parse(args, 1, 1, status) || !line.intValue(QStringLiteral("sheet"), 1, only, status))
    return status;
  const QString file = line.positional().first();
  std::unique_ptr<SpreadsheetInstance> book;
  QString message;
  if (!OpenWorkbook(file, book, message)) return Fail(message);
  if (only > book->worksheetCount())
    return Fail(QStringLiteral("the workbook has %1 sheets").arg(book->worksheetCount()));
  WriteOut("{\"file\": " + jsonString(file) + ", \"sheets\": [");
  bool first = true;
  for (int i = 1; i <= book->worksheetCount(); ++i) {
    if (only != 0 && i != only) continue;
    if (!first) WriteOut(QByteArray(", "));
    writeSheet(*book, i);
    first = false;
  }
  WriteOut(QByteArray("]}\n"));
  QuitWorkbookApp(book);
  return 0;
}
