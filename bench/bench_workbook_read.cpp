// Reads realistic payroll workbooks (10,000 and 50,000 rows × 30 columns, .xlsx and .xls) the
// way the import and the payslip builders do: open, then every cell's text and merge state of
// the sheet. Prints wall time, cells per second and peak memory, side by side with openpyxl
// (.xlsx), xlrd (.xls, formatting_info on) and a bare unzip + expat scan, each in its own
// process so that peak memory is its own.
//
//   bench_workbook_read [--data DIR] [--rows 10000,50000]
#include <expat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

#include "workbook/WorkbookAccess.h"

namespace {
const char *kPython = "/usr/bin/python3";

// Our engine: open + every cell's text and merge state. Prints "<seconds> <cells>".
int readWithEngine(const QString &path) {
  QElapsedTimer timer;
  timer.start();
  std::unique_ptr<SpreadsheetInstance> book;
  QString message;
  if (!OpenWorkbook(path, book, message)) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return 2;
  }
  book->activate(1);
  if (qEnvironmentVariableIsSet("KORVANE_BENCH_SPLIT"))
    std::fprintf(stderr, "open %.3f s\n", timer.nsecsElapsed() / 1e9);
  const int lastRow = book->usedLastRow(), lastColumn = book->usedLastColumn();
  qint64 cells = 0, checksum = 0;
  for (int r = 1; r <= lastRow; ++r)
    for (int c = 1; c <= lastColumn; ++c) {
      checksum += book->cellText(r, c).size();
      if (book->cellMerged(r, c))
        checksum += book->mergeAreaRows(r, c) + book->mergeAreaColumns(r, c);
      ++cells;
    }
  std::printf("%.3f %lld\n", timer.nsecsElapsed() / 1e9,
              static_cast<long long>(cells + (checksum & 0)));
  return 0;
}

// The floor: inflate the sheet and string parts and run expat over them with no handlers
// beyond counting the cells.
void XMLCALL countCell(void *data, const XML_Char *name, const XML_Char **) {
  if (name[0] == 'c' && name[1] == 0) ++*static_cast<qint64 *>(data);
}
int bareScan(const QString &path) {
  QElapsedTimer timer;
  timer.start();
  int error = 0;
  zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
  if (!z) return 2;
  qint64 cells = 0;
  for (const char *part : {"xl/sharedStrings.xml", "xl/worksheets/sheet1.xml"}) {
    zip_file_t *f = zip_fopen(z, part, 0);
    if (!f) continue;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &cells);
    XML_SetStartElementHandler(parser, countCell);
    char buffer[64 * 1024];
    zip_int64_t n;
    while ((n = zip_fread(f, buffer, sizeof buffer)) > 0)
      XML_Parse(parser, buffer, static_cast<int>(n), XML_FALSE);
    XML_Parse(parser, nullptr, 0, XML_TRUE);
    XML_ParserFree(parser);
    zip_fclose(f);
  }
  zip_discard(z);
  std::printf("%.3f %lld\n", timer.nsecsElapsed() / 1e9, static_cast<long long>(cells));
  return 0;
}

struct Run {
  bool ok = false;
  double seconds = 0;
  long long cells = 0;
  double peakMb = 0;
};

// Runs a child to the end and takes its own timing from its output and its peak memory
// from the kernel.
Run runChild(const QString &program, const QStringList &args) {
  Run run;
  std::vector<QByteArray> storage;
  storage.push_back(QFile::encodeName(program));
  for (const QString &a : args) storage.push_back(a.toUtf8());
  std::vector<char *> argv;
  for (QByteArray &s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return run;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  QByteArray out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const QList<QByteArray> fields = out.trimmed().split(' ');
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && fields.size() == 2) {
    run.ok = true;
    run.seconds = fields[0].toDouble();
    run.cells = fields[1].toLongLong();
    run.peakMb = usage.ru_maxrss / 1024.0;
  }
  return run;
}

void print(const char *reader, const QString &file, const Run &run, double ours) {
  if (!run.ok) {
    std::printf("%-22s %-22s failed\n", reader, qPrintable(file));
    return;
  }
  std::printf("%-22s %-22s %8.3f s %12.0f cells/s %8.1f MB %9.2fx\n", reader, qPrintable(file),
              run.seconds, run.cells / std::max(run.seconds, 1e-9), run.peakMb,
              ours > 0 ? run.seconds / ours : 0.0);
  std::fflush(stdout);
}

bool ensureWorkbook(const QString &path, int rows) {
  if (QFileInfo::exists(path)) return true;
  std::printf("writing %s ...\n", qPrintable(path));
  std::fflush(stdout);
  return QProcess::execute(QString::fromLatin1(kPython),
                           {QStringLiteral(KORVANE_BENCH_DIR "/make_payroll.py"),
                            QString::number(rows), path}) == 0;
}
}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (args.size() == 2 && args[0] == QLatin1String("--read")) return readWithEngine(args[1]);
  if (args.size() == 2 && args[0] == QLatin1String("--scan")) return bareScan(args[1]);

  QString dataDir = QDir::currentPath() + QStringLiteral("/bench-data");
  QList<int> rowCounts{10000, 50000};
  for (int i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--data")) dataDir = args[i + 1];
    if (args[i] == QLatin1String("--rows")) {
      rowCounts.clear();
      for (const QString &n : args[i + 1].split(QLatin1Char(','))) rowCounts.append(n.toInt());
    }
  }
  QDir().mkpath(dataDir);
  const QString self = app.applicationFilePath();
  std::printf("%-22s %-22s %10s %18s %11s %10s\n", "reader", "file", "wall", "throughput", "peak",
              "vs ours");
  for (int rows : rowCounts) {
    for (const char *ext : {"xlsx", "xls"}) {
      const QString name = QStringLiteral("payroll_%1.%2").arg(rows).arg(QLatin1String(ext));
      const QString path = dataDir + QLatin1Char('/') + name;
      if (!ensureWorkbook(path, rows)) return 2;
      const Run ours = runChild(self, {QStringLiteral("--read"), path});
      print("korvane", name, ours, ours.seconds);
      if (QLatin1String(ext) == QLatin1String("xlsx")) {
        print("bare unzip+expat scan", name, runChild(self, {QStringLiteral("--scan"), path}),
              ours.seconds);
        print("openpyxl", name,
              runChild(QString::fromLatin1(kPython),
                       {QStringLiteral(KORVANE_BENCH_DIR "/read_openpyxl.py"), path}),
              ours.seconds);
      } else {
        print("xlrd formatting_info", name,
              runChild(QString::fromLatin1(kPython),
                       {QStringLiteral(KORVANE_BENCH_DIR "/read_xlrd.py"), path}),
              ours.seconds);
      }
    }
  }
  return 0;
}
