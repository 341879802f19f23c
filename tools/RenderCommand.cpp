#include <QDir>
#include <QFile>

#include "CliCommands.h"
#include "CliOutput.h"
#include "data/ProgramFolder.h"
#include "payslip/PayslipBuilder.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
const char kRenderUsage[] =
    "usage: korvane-cli render FILE --sheet N --row R [--first-data-row F] [--vertical] "
    "[--show-email] [--footer FILE] [--folder DIR]";

struct RenderOptions {
  QString file;
  int sheet = 0;
  int row = 0;
  int firstDataRow = 0;  // 0: as detected
  bool vertical = false;
  bool showEmail = false;
  QString footerFile;
  QString folder;
};

bool parseOptions(const QStringList &args, RenderOptions &options, QString &errorText) {
  auto positive = [&](qsizetype &i, int &target, const QString &name) {
    bool ok = false;
    if (i + 1 < args.size()) target = args.at(++i).toInt(&ok);
    if (!ok || target < 1) errorText = name + QStringLiteral(" needs a number of 1 or more");
    return ok && target >= 1;
  };
  auto text = [&](qsizetype &i, QString &target, const QString &name) {
    if (i + 1 >= args.size()) {
      errorText = name + QStringLiteral(" needs a value");
      return false;
    }
    target = args.at(++i);
    return true;
  };
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString &arg = args.at(i);
    bool ok = true;
    if (arg == QLatin1String("--sheet"))
      ok = positive(i, options.sheet, arg);
    else if (arg == QLatin1String("--row"))
      ok = positive(i, options.row, arg);
    else if (arg == QLatin1String("--first-data-row"))
      ok = positive(i, options.firstDataRow, arg);
    else if (arg == QLatin1String("--vertical"))
      options.vertical = true;
    else if (arg == QLatin1String("--show-email"))
      options.showEmail = true;
    else if (arg == QLatin1String("--footer"))
      ok = text(i, options.footerFile, arg);
    else if (arg == QLatin1String("--folder"))
      ok = text(i, options.folder, arg);
    else if (arg.startsWith(QLatin1String("--")) || !options.file.isEmpty()) {
      errorText = QStringLiteral("unexpected argument: ") + arg;
      return false;
    } else {
      options.file = arg;
    }
    if (!ok) return false;
  }
  if (options.file.isEmpty() || options.sheet == 0 || options.row == 0) {
    errorText = QString::fromLatin1(kRenderUsage);
    return false;
  }
  return true;
}

// The footer box's lines: one per text line of a UTF-8 file, line ends dropped.
bool readFooter(const QString &path, QStringList &lines, QString &errorText) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    errorText = QStringLiteral("cannot read the footer file ") + path + QStringLiteral(": ") +
                file.errorString();
    return false;
  }
  QString text = QString::fromUtf8(file.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  if (text.isEmpty()) return true;
  lines = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
  for (QString &line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return true;
}
}  // namespace

// korvane-cli render FILE --sheet N --row R ...: the payslip document of one row on stdout.
int RunRenderCommand(const QStringList &args) {
  RenderOptions options;
  QString errorText;
  if (!parseOptions(args, options, errorText)) return Fail(errorText);
  QStringList footer;
  if (!options.footerFile.isEmpty() && !readFooter(options.footerFile, footer, errorText))
    return Fail(errorText);
  const QString folder = options.folder.isEmpty()
                             ? ProgramFolder()
                             : QDir(options.folder).absolutePath() + QLatin1Char('/');

  std::unique_ptr<SpreadsheetInstance> excel;
  if (!OpenWorkbook(options.file, excel, errorText)) return Fail(errorText);
  if (options.sheet > excel->worksheetCount())
    return Fail(QStringLiteral("the workbook has %1 worksheets").arg(excel->worksheetCount()));
  excel->activate(options.sheet);
  int emailColumn = 0;
  const int detectedFirstRow = FindFirstEmailCell(*excel, emailColumn);
  if (detectedFirstRow == 0)
    return Fail(QStringLiteral("worksheet %1 holds no e-mail address").arg(options.sheet));
  const int firstDataRow = options.firstDataRow > 0 ? options.firstDataRow : detectedFirstRow;

  const QString document = options.vertical
                               ? BuildVerticalSlip(*excel, firstDataRow, options.row, footer,
                                                   emailColumn, options.showEmail, folder)
                               : BuildHorizontalSlip(*excel, firstDataRow, options.row, footer,
                                                     emailColumn, options.showEmail, folder);
  CloseWorkbook(excel.get());
  QuitWorkbookApp(excel);
  WriteOut(document.toUtf8());
  return 0;
}
