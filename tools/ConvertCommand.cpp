#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "payslip/FooterFile.h"
#include "payslip/MassIniTitle.h"
#include "payslip/SheetConversion.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
struct ConvertOptions {
  QString file;
  QString folder;  // ends with '/'
  int sheet = 0;   // 0: the first that holds an address
  int firstDataRow = 0;
  int nameColumn = 0;
  bool vertical = false;
  bool showEmail = false;
  QString footerFile;
  bool subjectSet = false;
  QString subject;
  bool allowLarge = false;
  bool timings = false;
};

bool parseOptions(const QStringList &args, ConvertOptions &options, int &status) {
  CommandLine line(QStringLiteral("convert"), QStringLiteral("FILE"),
                   QStringLiteral("Converts one worksheet into the payslip batch of "
                                  "DIR/payslip.mdb, as the conversion window does."));
  line.addValue(QStringLiteral("folder"), QStringLiteral("DIR"),
                QStringLiteral("program folder: payslip.mdb, Mass.ini, tail.txt, ad.txt "
                               "(default: the program's own)"));
  line.addValue(QStringLiteral("sheet"), QStringLiteral("N"),
                QStringLiteral("worksheet, from 1 (default: the first holding an address)"));
  line.addValue(QStringLiteral("first-data-row"), QStringLiteral("F"),
                QStringLiteral("first employee row (default: as detected)"));
  line.addValue(QStringLiteral("name-col"), QStringLiteral("C"),
                QStringLiteral("column of the names (default: as detected, else 2)"));
  line.addFlag(QStringLiteral("vertical"), QStringLiteral("one table row per column"));
  line.addFlag(QStringLiteral("show-email"), QStringLiteral("keep the e-mail column"));
  line.addValue(QStringLiteral("footer"), QStringLiteral("FILE"),
                QStringLiteral("footer lines, UTF-8 (default: DIR/tail.txt when it exists)"));
  line.addValue(QStringLiteral("subject"), QStringLiteral("TEXT"),
                QStringLiteral("mail subject (default: the proposed one)"));
  line.addFlag(QStringLiteral("allow-large"),
               QStringLiteral("convert even when a payslip is larger than 2 MB"));
  line.addFlag(QStringLiteral("timings"),
               QStringLiteral("print the time of read, analysis, build and store on stderr"));
  if (!line.parse(args, 1, 1, status)) return false;
  if (!line.intValue(QStringLiteral("sheet"), 1, options.sheet, status) ||
      !line.intValue(QStringLiteral("first-data-row"), 1, options.firstDataRow, status) ||
      !line.intValue(QStringLiteral("name-col"), 1, options.nameColumn, status))
    return false;
  options.file = line.positional().first();
  options.folder =
      line.isSet(QStringLiteral("folder"))
          ? QDir(line.value(QStringLiteral("folder"))).absolutePath() + QLatin1Char('/')
          : ProgramFolder();
  options.vertical = line.isSet(QStringLiteral("vertical"));
  options.showEmail = line.isSet(QStringLiteral("show-email"));
  options.footerFile = line.value(QStringLiteral("footer"));
  options.subjectSet = line.isSet(QStringLiteral("subject"));
  options.subject = line.value(QStringLiteral("subject"));
  options.allowLarge = line.isSet(QStringLiteral("allow-large"));
  options.timings = line.isSet(QStringLiteral("timings"));
  return true;
}

bool readFooter(const ConvertOptions &options, QStringList &lines, QString &errorText) {
  if (options.footerFile.isEmpty()) {
    lines = ReadFooterFile(options.folder);
    return true;
  }
  QFile file(options.footerFile);
  if (!file.open(QIODevice::ReadOnly)) {
    errorText = QStringLiteral("cannot read the footer file ") + options.footerFile +
                QStringLiteral(": ") + file.errorString();
    return false;
  }
  QString text = QString::fromUtf8(file.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  lines = TextLines(text);
  return true;
}

double ms(qint64 ns) { return static_cast<double>(ns) / 1e6; }
}  // namespace

// korvane-cli convert FILE --folder DIR ...: the conversion window's command without the window.
int RunConvertCommand(const QStringList &args) {
  ConvertOptions options;
  int status = 0;
  if (!parseOptions(args, options, status)) return status;
  QString errorText;
  QStringList footer;
  if (!readFooter(options, footer, errorText)) return Fail(errorText);
  if (!QDir().mkpath(options.folder))
    return Fail(QStringLiteral("cannot create the folder ") + options.folder);

  QElapsedTimer clock;
  clock.start();
  std::unique_ptr<SpreadsheetInstance> excel;
  if (!OpenWorkbook(options.file, excel, errorText)) return Fail(errorText);
  const qint64 readNs = clock.nsecsElapsed();

  clock.start();
  int sheet = options.sheet;
  int firstDataRow = 0;
  int emailColumn = 0;
  if (sheet > excel->worksheetCount())
    return Fail(QStringLiteral("the workbook has %1 worksheets").arg(excel->worksheetCount()));
  for (int i = sheet > 0 ? sheet : 1; i <= (sheet > 0 ? sheet : excel->worksheetCount()); ++i) {
    excel->activate(i);
    firstDataRow = FindFirstEmailCell(*excel, emailColumn);
    if (firstDataRow > 0) {
      sheet = i;
      break;
    }
  }
  if (firstDataRow == 0) {
    if (sheet > 0) return Fail(QStringLiteral("worksheet %1 holds no e-mail address").arg(sheet));
    return Fail(
        QStringLiteral("没有发现打开的电子表格内含有具有电子邮箱地址的工资表格，无法继续。"));
  }
  const SheetLayout layout = AnalyseSheetLayout(*excel, firstDataRow, emailColumn,
                                                QFileInfo(options.file).completeBaseName());
  const qint64 analysisNs = clock.nsecsElapsed();

  ConversionOptions conversionOptions;
  conversionOptions.FirstDataRowNumber =
      options.firstDataRow > 0 ? options.firstDataRow : layout.FirstDataRowNumber;
  conversionOptions.MaxRowNumber = layout.MaxRowNumber;
  conversionOptions.EmailColumnNumber = layout.EmailColumnNumber;
  conversionOptions.NameColumnNumber =
      options.nameColumn > 0 ? options.nameColumn
                             : (layout.NameColumnNumber > 0 ? layout.NameColumnNumber : 2);
  conversionOptions.vertical = options.vertical;
  conversionOptions.showEmail = options.showEmail;
  conversionOptions.footerLines = footer;
  conversionOptions.programFolder = options.folder;

  DbConnection connection;
  if (!OpenPayslipDatabase(connection, options.folder, errorText))
    return Fail(QStringLiteral("打开数据库错误：") + errorText);
  SheetConversion conversion(*excel, conversionOptions, connection);
  if (!options.allowLarge) {
    const qsizetype bytes = conversion.firstPayslipBytes();
    if (bytes > kLargePayslipBytes)
      return Fail(LargePayslipQuestion(*excel, conversionOptions.FirstDataRowNumber, bytes)
                      .replace(QLatin1Char('\r'), QLatin1Char('\n')) +
                  QStringLiteral("\n(--allow-large converts anyway)"));
  }
  {
    DbQuery query(connection);
    if (!SqlExec(QStringLiteral("delete from payslip"), query, errorText))
      return Fail(QStringLiteral("清空数据库错误：") + errorText);
  }

  ConversionResult result;
  if (!conversion.run(nullptr, result)) {
    return Fail(QStringLiteral("发生系统错误！无法写入发送数据库,无法发送邮件！") +
                result.errorText);
  }
  const QString subject = options.subjectSet ? options.subject : layout.MailTitle;
  if (!WriteMassIniTitle(options.folder, subject, errorText))
    return Fail(QStringLiteral("cannot write Mass.ini: ") + errorText);
  CloseWorkbook(excel.get());
  QuitWorkbookApp(excel);

  WriteOut(ConversionSummaryText(result.rowCount, result.rowsWithoutAddress) + QLatin1Char('\n'));
  if (options.timings) {
    std::fprintf(stderr, "read %.1f ms, analysis %.1f ms, build %.1f ms, store %.1f ms\n",
                 ms(readNs), ms(analysisNs), ms(result.buildNs), ms(result.storeNs));
  }
  return 0;
}
