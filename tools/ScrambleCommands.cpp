#include <QFile>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "data/Scramble.h"

namespace {
// Reads stdin line by line (UTF-8), transforms each line and writes it with the same ending.
template <typename Transform>
int eachLine(Transform transform) {
  QFile in;
  if (!in.open(stdin, QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read stdin"));
  int lineNumber = 0;
  while (!in.atEnd()) {
    QByteArray line = in.readLine();
    ++lineNumber;
    QByteArray ending;
    while (line.endsWith('\n') || line.endsWith('\r')) {
      ending.prepend(line.back());
      line.chop(1);
    }
    QString out;
    if (!transform(QString::fromUtf8(line), out))
      return Fail(QStringLiteral("line %1: not a scrambled text").arg(lineNumber));
    WriteOut(out.toUtf8() + ending);
  }
  return 0;
}
}  // namespace

int RunScrambleCommand(const QStringList &args) {
  CommandLine options(QStringLiteral("scramble"), QString(),
                      QStringLiteral("Scrambles stdin to stdout, line by line."));
  int status = 0;
  if (!options.parse(args, 0, 0, status)) return status;
  return eachLine([](const QString &line, QString &out) {
    out = ScrambleText(line);
    return true;
  });
}

int RunUnscrambleCommand(const QStringList &args) {
  CommandLine options(QStringLiteral("unscramble"), QString(),
                      QStringLiteral("Unscrambles stdin to stdout, line by line."));
  int status = 0;
  if (!options.parse(args, 0, 0, status)) return status;
  return eachLine([](const QString &line, QString &out) { return TryUnscrambleText(line, out); });
}
