#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <map>

#include "CliCommands.h"
#include "CliOutput.h"

namespace {
const char kUsage[] =
    "usage: korvane-cli COMMAND [ARGS]\n"
    "commands:\n"
    "  scramble                     stdin to stdout, line by line\n"
    "  unscramble                   stdin to stdout, line by line\n"
    "  cells FILE [--sheet N]       a workbook's cells as JSON\n";
}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  const std::map<QString, std::function<int(const QStringList &)>> commands = {
      {QStringLiteral("scramble"), RunScrambleCommand},
      {QStringLiteral("unscramble"), RunUnscrambleCommand},
      {QStringLiteral("cells"), RunCellsCommand},
  };
  if (args.isEmpty()) return Fail(QString::fromLatin1(kUsage).trimmed());
  const QString name = args.takeFirst();
  auto it = commands.find(name);
  if (it == commands.end())
    return Fail(QStringLiteral("unknown command: %1\n").arg(name) + QString::fromLatin1(kUsage).trimmed());
  return it->second(args);
}
