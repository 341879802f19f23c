#include <QFileInfo>
#include <cstdio>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "data/Clock.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "sending/MailTransport.h"
#include "sending/MassIni.h"
#include "sending/PayslipList.h"
#include "sending/SendEngine.h"
#include "sending/SendOptions.h"
#include "sending/SendPacer.h"

namespace {
// Each line as it happens: a caller watching the output (or a crash) sees how far it got.
void say(const QString &line) {
  WriteOut(line + QLatin1Char('\n'));
  std::fflush(stdout);
}

// The options of Mass.ini, or the send window's own defaults when there is none.
SendOptionTexts storedOptions(const QString &folder) {
  MassIniValues v;
  if (!ReadMassIni(folder, v)) v.interval = QStringLiteral("7");
  SendOptionTexts t;
  t.interval = v.interval;
  t.inTurn = InTurnIsOn(v.inTurn);
  t.sendCnt = v.sendCnt;
  t.waitSecond = v.waitSecond;
  t.serverId = v.server;
  t.random = FlagIsOn(v.randWaitSecond);
  t.addName = FlagIsOn(v.addName);
  t.emailTitle = v.title;
  return t;
}

bool accountExists(DbQuery &query, const QString &id) {
  int number = 0;
  bool isNumber = false;
  number = id.toInt(&isNumber);
  QString error;
  return isNumber &&
         SqlOpen(QStringLiteral("select count(*) from smtp_server where server_id=") +
                     QString::number(number),
                 query, error) &&
         query.field(0).toInt() > 0;
}

int dryRun(DbQuery &query, const PayslipList &list, const SendOptions &options, int limit) {
  int shown = 0;
  for (int i = 0; i < list.count() && (limit == 0 || shown < limit); ++i) {
    if (!list.isSelected(i)) continue;
    const PayslipRow &row = list.row(i);
    SmtpAccount account;
    QString error;
    const bool found = GetSMTPServerInfo(query, Clock::instance(), options.serverId, options.inTurn,
                                         account, error);
    const QString subject =
        options.addNameToTitle ? GetTitleWithName(row.f2, options.emailTitle) : options.emailTitle;
    say(row.emailAddress + QLatin1Char('\t') + (found ? account.serverName : error) +
        QLatin1Char('\t') + subject);
    ++shown;
  }
  return 0;
}
}  // namespace

int RunSendCommand(const QStringList &args) {
  CommandLine line(QStringLiteral("send"), QString(),
                   QStringLiteral("Mails the unsent payslips of DIR/payslip.mdb with the options "
                                  "of DIR/Mass.ini (or the send window's defaults), each flag "
                                  "overriding one. Exit status 0 when no mail failed, 1 when "
                                  "some failed, 2 on a usage or set-up error."));
  line.addValue(QStringLiteral("folder"), QStringLiteral("DIR"),
                QStringLiteral("program folder (default: the program's own)"));
  line.addValue(QStringLiteral("account"), QStringLiteral("ID"),
                QStringLiteral("send every mail through this server_id"));
  line.addFlag(QStringLiteral("rotate"), QStringLiteral("draw an account at random per mail"));
  line.addValue(QStringLiteral("subject"), QStringLiteral("TEXT"), QStringLiteral("mail subject"));
  line.addFlag(QStringLiteral("add-name"), QStringLiteral("put the name in front of the subject"));
  line.addValue(QStringLiteral("interval"), QStringLiteral("S"),
                QStringLiteral("seconds after every mail"));
  line.addFlag(QStringLiteral("random"), QStringLiteral("wait a random 1..29 s instead"));
  line.addValue(QStringLiteral("after"), QStringLiteral("N"),
                QStringLiteral("the long pause follows every mail once more than N went out"));
  line.addValue(QStringLiteral("pause"), QStringLiteral("S"),
                QStringLiteral("seconds of the long pause"));
  line.addValue(QStringLiteral("limit"), QStringLiteral("N"),
                QStringLiteral("send at most N mails"));
  line.addFlag(QStringLiteral("dry-run"),
               QStringLiteral("print recipient, account and subject of each mail; send nothing"));
  int status = 0;
  if (!line.parse(args, 0, 0, status)) return status;
  if (line.isSet(QStringLiteral("account")) && line.isSet(QStringLiteral("rotate")))
    return line.usageError(QStringLiteral("--account and --rotate exclude each other"));
  int number = 0;
  int limit = 0;
  int account = 0;
  if (!line.intValue(QStringLiteral("account"), 1, account, status) ||
      !line.intValue(QStringLiteral("limit"), 0, limit, status))
    return status;

  QString folder = line.isSet(QStringLiteral("folder"))
                       ? QFileInfo(line.value(QStringLiteral("folder"))).absoluteFilePath()
                       : DefaultProgramFolder();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  SendOptionTexts texts = storedOptions(folder);
  for (const auto &[name, target] : {std::pair{QStringLiteral("interval"), &texts.interval},
                                     std::pair{QStringLiteral("after"), &texts.sendCnt},
                                     std::pair{QStringLiteral("pause"), &texts.waitSecond}}) {
    if (!line.isSet(name)) continue;
    if (!line.intValue(name, 0, number, status)) return status;
    *target = QString::number(number);
  }
  if (line.isSet(QStringLiteral("account"))) {
    texts.serverId = QString::number(account);
    texts.inTurn = false;
  }
  if (line.isSet(QStringLiteral("rotate"))) texts.inTurn = true;
  if (line.isSet(QStringLiteral("subject")))
    texts.emailTitle = line.value(QStringLiteral("subject"));
  if (line.isSet(QStringLiteral("add-name"))) texts.addName = true;
  if (line.isSet(QStringLiteral("random"))) texts.random = true;

  if (!QFileInfo::exists(PayslipDatabasePath(folder)))
    return Fail(QStringLiteral("no payslip.mdb in ") + folder);
  DbConnection connection;
  DbQuery query(connection);
  PayslipList list;
  QString error;
  if (!OpenPayslipDatabase(connection, folder, error) || !list.open(query, error))
    return Fail(QStringLiteral("打开数据库错误：") + error);

  // A stored account that no longer exists counts as none chosen, as in the send window.
  const bool chosen = !texts.serverId.isEmpty() && accountExists(query, texts.serverId);
  if (line.isSet(QStringLiteral("account")) && !chosen)
    return Fail(QStringLiteral("unknown account: ") + texts.serverId);
  if (!chosen) texts.serverId.clear();
  switch (CheckSendAccounts(query, texts.inTurn, chosen)) {
    case AccountCheck::Go:
      break;
    case AccountCheck::ChooseAccount:
      return Fail(SendTexts::ChooseAccount + QStringLiteral(" (--account ID or --rotate)"));
    case AccountCheck::NoAccount:
      return Fail(SendTexts::NoAccount + QStringLiteral(" (korvane-cli account add)"));
  }
  SendOptions options;
  if (!ReadSendOptions(texts, options, error)) return Fail(error);

  list.selectUnsent();
  if (list.selectedCount() == 0) {
    say(SendTexts::NothingToSend);
    return 0;
  }
  if (line.isSet(QStringLiteral("dry-run"))) return dryRun(query, list, options, limit);

  DirectMailTransport transport;
  ClockPacer pacer(Clock::instance());
  SendEngine engine(connection, Clock::instance(), transport, pacer);
  engine.setMailLimit(limit);
  SendPassResult result;
  QObject::connect(&engine, &SendEngine::logLine, say);
  QObject::connect(&engine, &SendEngine::message, say);
  QObject::connect(&engine, &SendEngine::finished,
                   [&result](const SendPassResult &r) { result = r; });
  engine.start(list, options);
  if (result.recordFailed) return Fail(result.recordError);
  say(SendTexts::EndOfPass(result.sent, result.failed));
  return result.failed > 0 ? 1 : 0;
}
