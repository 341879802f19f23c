// Builds 10,000 payslips of a 30-column payroll with 3 header rows in both orientations and
// prints the times beside the time the workbook takes to read.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "data/Scramble.h"
#include "payslip/PayslipBuilder.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
constexpr int kColumns = 30;
constexpr int kHeaderRows = 3;
constexpr int kEmployees = 10000;

// The same payroll as make_bench_workbook.py, for when the workbook cannot be read.
std::unique_ptr<SpreadsheetInstance> memoryPayroll() {
  Worksheet sheet(QStringLiteral("工资"));
  sheet.reserveCells(static_cast<size_t>(kEmployees + kHeaderRows) * kColumns);
  sheet.setText(1, 1, QStringLiteral("示例科技有限公司2026年11月工资表"));
  sheet.addMerge(1, 1, 1, kColumns);
  for (int c = 1; c < kColumns; c += 2) {
    sheet.setText(2, c, QStringLiteral("项目组%1").arg((c + 1) / 2));
    sheet.addMerge(2, c, 2, c + 1);
  }
  for (int c = 1; c <= kColumns; ++c) sheet.setText(3, c, QStringLiteral("栏目%1").arg(c));
  sheet.setText(3, 2, QStringLiteral("姓名"));
  sheet.setText(3, kColumns, QStringLiteral("邮箱"));
  for (int r = 4; r < 4 + kEmployees; ++r) {
    const int n = r - 3;
    sheet.setText(r, 1, QStringLiteral("E%1").arg(n, 5, 10, QLatin1Char('0')));
    sheet.setText(r, 2, QStringLiteral("员工%1").arg(n));
    for (int c = 3; c < kColumns; ++c) sheet.setNumber(r, c, 1000 + n * 0.37 + c * 11.5);
    sheet.setText(r, kColumns, QStringLiteral("employee%1@example.com").arg(n));
  }
  sheet.finish();
  std::vector<Worksheet> sheets;
  sheets.push_back(std::move(sheet));
  return std::make_unique<SpreadsheetInstance>(QString(), std::move(sheets));
}

// Reads the generated .xlsx; on any failure says why and returns null.
std::unique_ptr<SpreadsheetInstance> readPayroll(const QString &dir, double &readMs) {
  const QString path = dir + QStringLiteral("/bench.xlsx");
  QProcess python;
  python.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(KORVANE_BENCH_DIR "/make_bench_workbook.py"), path,
                QString::number(kEmployees)});
  if (!python.waitForFinished(300000) || python.exitCode() != 0) {
    std::printf("workbook read:      not measured (cannot write %s: %s)\n", qPrintable(path),
                python.readAllStandardError().constData());
    return nullptr;
  }
  std::unique_ptr<SpreadsheetInstance> excel;
  QString message;
  QElapsedTimer timer;
  timer.start();
  const bool ok = OpenWorkbook(path, excel, message);
  readMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  if (!ok) {
    std::printf("workbook read:      not measured (%s)\n", qPrintable(message));
    return nullptr;
  }
  std::printf("workbook read:      %9.1f ms  (%d rows x %d columns, .xlsx, %lld bytes)\n", readMs,
              excel->usedLastRow(), excel->usedLastColumn(),
              static_cast<long long>(QFile(path).size()));
  return excel;
}

template <typename Build>
void measure(const char *label, const SpreadsheetInstance &excel, int firstDataRow, int emailColumn,
             const QString &folder, Build build) {
  const QStringList footer = {QStringLiteral("人事部"), QStringLiteral("2026年12月1日")};
  qint64 bytes = 0;
  QElapsedTimer timer;
  timer.start();
  for (int row = firstDataRow; row < firstDataRow + kEmployees; ++row)
    bytes += build(excel, firstDataRow, row, footer, emailColumn, false, folder).size();
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  std::printf("%-19s %9.1f ms  (%d payslips, %.1f us each, %.1f MB of text)\n", label, ms,
              kEmployees, ms * 1000 / kEmployees, static_cast<double>(bytes) * 2 / 1e6);
}
}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  // An advertisement in the program folder: every build reads and unscrambles it.
  QFile ad(dir.path() + QStringLiteral("/ad.txt"));
  if (ad.open(QIODevice::WriteOnly))
    ad.write(ScrambleText(QStringLiteral("<p>工资条由Korvane发送</p>")).toLatin1());
  ad.close();

  double readMs = 0;
  std::unique_ptr<SpreadsheetInstance> excel = readPayroll(dir.path(), readMs);
  if (!excel) {
    std::printf("(building from the same payroll held in memory)\n");
    excel = memoryPayroll();
  }
  int emailColumn = 0;
  const int firstDataRow = FindFirstEmailCell(*excel, emailColumn);
  if (firstDataRow != kHeaderRows + 1 || emailColumn != kColumns) {
    std::printf("unexpected layout: first data row %d, e-mail column %d\n", firstDataRow,
                emailColumn);
    return 1;
  }
  const QString folder = dir.path() + QLatin1Char('/');
  measure("horizontal build:", *excel, firstDataRow, emailColumn, folder,
          [](auto &&...a) { return BuildHorizontalSlip(a...); });
  measure("vertical build:", *excel, firstDataRow, emailColumn, folder,
          [](auto &&...a) { return BuildVerticalSlip(a...); });
  return 0;
}
