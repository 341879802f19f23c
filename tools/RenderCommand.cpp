#include <QDir>
#include <QFile>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "data/ProgramFolder.h"
#include "payslip/PayslipBuilder.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
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

bool parseOptions(const QStringList &args, RenderOptions &options, int &status) {
  CommandLine line(QStringLiteral("render"), QStringLiteral("FILE"),
                   QStringLiteral("Prints the payslip document of one row of a workbook."));
  line.addValue(QStringLiteral("sheet"), QStringLiteral("N"), QStringLiteral("worksheet, from 1"));
  line.addValue(QStringLiteral("row"), QStringLiteral("R"), QStringLiteral("the employee's row"));
  line.addValue(QStringLiteral("first-data-row"), QStringLiteral("F"),
                QStringLiteral("first employee row (default: as detected)"));
  line.addFlag(QStringLiteral("vertical"), QStringLiteral("one table row per column"));
  line.addFlag(QStringLiteral("show-email"), QStringLiteral("keep the e-mail column"));
  line.addValue(QStringLiteral("footer"), QStringLiteral("FILE"),
                QStringLiteral("footer lines, UTF-8"));
  line.addValue(QStringLiteral("folder"), QStringLiteral("DIR"),
                QStringLiteral("program folder holding ad.txt (default: the program's own)"));
  if (!line.parse(args, 1, 1, status)) return false;
  if (!line.isSet(QStringLiteral("sheet")) || !line.isSet(QStringLiteral("row"))) {
    status = line.usageError(QStringLiteral("--sheet and --row are required"));
    return false;
  }
  if (!line.intValue(QStringLiteral("sheet"), 1, options.sheet, status) ||
      !line.intValue(QStringLiteral("row"), 1, options.row, status) ||
      !line.intValue(QStringLiteral("first-data-row"), 1, options.firstDataRow, status))
    return false;
  options.file = line.positional().first();
  options.vertical = line.isSet(QStringLiteral("vertical"));
  options.showEmail = line.isSet(QStringLiteral("show-email"));
  options.footerFile = line.value(QStringLiteral("footer"));
  options.folder = line.value(QStringLiteral("folder"));
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
  int status = 0;
  if (!parseOptions(args, options, status)) return status;
  QString errorText;
  QStringList footer;
  if (!options.footerFile.isEmpty() && !readFooter(options.footerFile, footer, errorText))
    return Fail(errorText);
  const QString folder = options.folder.isEmpty()
                             ? DefaultProgramFolder()
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
