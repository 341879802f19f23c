#include <QCoreApplication>
#include <QStringList>
#include <functional>
#include <map>

#include "CliCommands.h"
#include "CliOutput.h"

namespace {
const char kUsage[] =
    "usage: korvane-cli COMMAND [ARGS]   (korvane-cli COMMAND --help for its options)\n"
    "commands:\n"
    "  scramble                     stdin to stdout, line by line\n"
    "  unscramble                   stdin to stdout, line by line\n"
    "  send-mail HOST PORT FROM TO SUBJECT HTML-FILE [--login USER]\n"
    "                               one HTML mail; the password is read from stdin\n"
    "  cells FILE [--sheet N]       a workbook's cells as JSON\n"
    "  inspect FILE                 the layout of each worksheet, as JSON\n"
    "  render FILE --sheet N --row R [--first-data-row F] [--vertical] [--show-email]\n"
    "         [--footer FILE] [--folder DIR]   one row's payslip document on stdout\n"
    "  account add --folder DIR --name NAME --host HOST --port PORT --from ADDRESS\n"
    "          [--user USER] [--password-stdin] [--no-login]   stores a sender account\n"
    "  account list --folder DIR    the sender accounts as JSON, without passwords\n"
    "  send --folder DIR [--account ID | --rotate] [--subject TEXT] [--add-name]\n"
    "       [--interval S] [--random] [--after N] [--pause S] [--limit N] [--dry-run]\n"
    "                               mails the unsent payslips of DIR/payslip.mdb\n"
    "  convert FILE [--folder DIR] [--sheet N] [--first-data-row F] [--name-col C] [--vertical]\n"
    "         [--show-email] [--footer FILE] [--subject TEXT]   a worksheet into the batch\n"
    "  folder [--create-database]   the program folder (the default of --folder)\n";
}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  const std::map<QString, std::function<int(const QStringList &)>> commands = {
      {QStringLiteral("scramble"), RunScrambleCommand},
      {QStringLiteral("unscramble"), RunUnscrambleCommand},
      {QStringLiteral("send-mail"), RunSendMailCommand},
      {QStringLiteral("cells"), RunCellsCommand},
      {QStringLiteral("inspect"), RunInspectCommand},
      {QStringLiteral("render"), RunRenderCommand},
      {QStringLiteral("account"), RunAccountCommand},
      {QStringLiteral("send"), RunSendCommand},
      {QStringLiteral("convert"), RunConvertCommand},
      {QStringLiteral("folder"), RunFolderCommand},
  };
  if (args.isEmpty()) return Fail(QString::fromLatin1(kUsage).trimmed());
  const QString name = args.takeFirst();
  if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
      name == QLatin1String("help")) {
    WriteOut(QString::fromLatin1(kUsage));
    return 0;
  }
  auto it = commands.find(name);
  if (it == commands.end())
    return Fail(QStringLiteral("unknown command: %1\n").arg(name) +
                QString::fromLatin1(kUsage).trimmed());
  return it->second(args);
}
