// A 10,000-row × 30-column payroll (.xlsx and .xls) opened, analysed, converted and stored:
// by `korvane-cli convert` (wall time of the process and its read / analysis / build / store
// split) and through the conversion window, offscreen, with its progress painted.
//
//   build/bench/bench_conversion [--rows N] [--runs R] [--data DIR]
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "payslip/UfrmReadASheetAndSendIt.h"
#include "sending/UfrmSend.h"
#include "widgets/Interaction.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
// Every message and window answered at once; the send window is closed unsent.
class BenchInteraction : public Interaction {
 public:
  int modalWindows = 0;
  void showMessage(const QString &text) override {
    std::printf("  message: %s\n", qPrintable(text));
  }
  void messageBox(const QString &text, const QString &, Icon) override { showMessage(text); }
  bool confirm(const QString &, const QString &, Icon, Buttons, Default) override { return true; }
  void showError(const QString &text) override { showMessage(text); }
  QString openFileName(QWidget *, const QString &, const QString &) override { return {}; }
  int execModal(QDialog *) override {
    ++modalWindows;
    return QDialog::Rejected;
  }
  bool openExternally(const QUrl &) override { return false; }
};

// Counts the paints of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct CliRun {
  double wallMs = 0;
  double readMs = 0, analysisMs = 0, buildMs = 0, storeMs = 0;
  bool ok = false;
};

CliRun runCli(const QString &file, const QString &folder) {
  CliRun run;
  QProcess process;
  QElapsedTimer clock;
  clock.start();
  process.start(QStringLiteral(KORVANE_CLI),
                {QStringLiteral("convert"), file, QStringLiteral("--folder"), folder,
                 QStringLiteral("--timings")});
  if (!process.waitForFinished(120000) || process.exitCode() != 0) {
    std::printf("  korvane-cli convert failed: %s\n", process.readAllStandardError().constData());
    return run;
  }
  run.wallMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  const QString err = QString::fromUtf8(process.readAllStandardError());
  static const QRegularExpression re(QStringLiteral(
      "read ([0-9.]+) ms, analysis ([0-9.]+) ms, build ([0-9.]+) ms, store ([0-9.]+) ms"));
  const QRegularExpressionMatch m = re.match(err);
  if (!m.hasMatch()) return run;
  run.readMs = m.captured(1).toDouble();
  run.analysisMs = m.captured(2).toDouble();
  run.buildMs = m.captured(3).toDouble();
  run.storeMs = m.captured(4).toDouble();
  run.ok = true;
  return run;
}

QVariant Scalar(const QString &sql) {
  QString error;
  if (!SqlOpen(sql, DataModule1->ADOQueryAccessComm, error)) return {};
  return DataModule1->ADOQueryAccessComm.field(0);
}

struct WindowRun {
  double totalMs = 0, readMs = 0, prepareMs = 0, convertMs = 0;
  int paints = 0;
  int stored = 0;
};

// The import command's part (open, find the sheet, prepare the window) and the window's command
// up to the hand-over, in this process.
WindowRun runWindow(const QString &file) {
  WindowRun run;
  QTemporaryDir folder;
  SetProgramFolderForTesting(folder.path());
  TDataModule1 module;
  DataModule1 = &module;
  BenchInteraction interaction;
  Interaction::setCurrent(&interaction);
  QString errorText;
  OpenPayslipDatabase(errorText);
  {
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<SpreadsheetInstance> excel;
    if (!OpenWorkbook(file, excel, errorText)) {
      std::printf("  %s\n", qPrintable(errorText));
      return run;
    }
    run.readMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QElapsedTimer step;
    step.start();
    int emailColumn = 0;
    const int firstRow = FindFirstEmailCell(*excel, emailColumn);
    TFormReadASheetAndSendIt window;
    window.PrePareSend(*excel, firstRow, emailColumn, QFileInfo(file).completeBaseName());
    run.prepareMs = static_cast<double>(step.nsecsElapsed()) / 1e6;
    const qint64 beforeShow = clock.nsecsElapsed();
    window.show();  // the preview and the window's first paint are no part of the conversion
    QCoreApplication::processEvents();
    const qint64 shown = clock.nsecsElapsed() - beforeShow;

    PaintCounter counter;
    window.findChild<QLabel *>(QStringLiteral("StatusPanel1"))->installEventFilter(&counter);
    step.start();
    window.findChild<QAction *>(QStringLiteral("ActionSend"))->trigger();
    run.convertMs = static_cast<double>(step.nsecsElapsed()) / 1e6;
    run.totalMs = static_cast<double>(clock.nsecsElapsed() - shown) / 1e6;
    run.paints = counter.paints;
    run.stored = Scalar("select count(*) from payslip").toInt();
    window.hide();
  }
  Interaction::setCurrent(nullptr);
  DataModule1 = nullptr;
  SetProgramFolderForTesting(QString());
  return run;
}

bool ensureWorkbook(const QString &path, int rows) {
  if (QFileInfo::exists(path)) return true;
  std::printf("writing %s ...\n", qPrintable(path));
  std::fflush(stdout);
  return QProcess::execute(QStringLiteral("/usr/bin/python3"),
                           {QStringLiteral(KORVANE_BENCH_DIR "/make_payroll.py"),
                            QString::number(rows), path}) == 0;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}
}  // namespace

int main(int argc, char *argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QString dataDir = QDir::currentPath() + QStringLiteral("/bench-data");
  int rows = 10000;
  int runs = 3;
  const QStringList args = app.arguments().mid(1);
  for (int i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--data")) dataDir = args[i + 1];
    if (args[i] == QLatin1String("--rows")) rows = args[i + 1].toInt();
    if (args[i] == QLatin1String("--runs")) runs = std::max(1, args[i + 1].toInt());
  }
  QDir().mkpath(dataDir);
  std::printf("%d employees x 30 columns, median of %d runs\n", rows, runs);
  for (const char *ext : {"xlsx", "xls"}) {
    const QString path =
        dataDir + QStringLiteral("/payroll_%1.%2").arg(rows).arg(QLatin1String(ext));
    if (!ensureWorkbook(path, rows)) return 2;
    std::vector<double> wall, read, analysis, build, store;
    for (int i = 0; i < runs; ++i) {
      QTemporaryDir folder;
      const CliRun run = runCli(path, folder.path());
      if (!run.ok) return 2;
      wall.push_back(run.wallMs);
      read.push_back(run.readMs);
      analysis.push_back(run.analysisMs);
      build.push_back(run.buildMs);
      store.push_back(run.storeMs);
    }
    const double cli = median(wall);
    std::printf(
        ".%-4s korvane-cli convert %7.0f ms  (read %.0f, analysis %.1f, build %.0f, "
        "store %.0f; the rest is process start and exit)\n",
        ext, cli, median(read), median(analysis), median(build), median(store));
    std::vector<double> total, wRead, prepare, convert;
    int paints = 0, stored = 0;
    for (int i = 0; i < runs; ++i) {
      const WindowRun run = runWindow(path);
      total.push_back(run.totalMs);
      wRead.push_back(run.readMs);
      prepare.push_back(run.prepareMs);
      convert.push_back(run.convertMs);
      paints = run.paints;
      stored = run.stored;
    }
    const double window = median(total);
    std::printf(
        ".%-4s conversion window   %7.0f ms  (read %.0f, prepare %.0f, convert and "
        "store %.0f; %d payslips, status panel painted %d times) = %.2fx the command\n",
        ext, window, median(wRead), median(prepare), median(convert), stored, paints,
        window / std::max(cli, 1e-9));
  }
  return 0;
}
