#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "mailservers/AccountInsert.h"

namespace {
// The folder given, or the program's own, as the other commands do.
QString folderOf(const QString &option) {
  if (option.isEmpty()) return DefaultProgramFolder();
  QString folder = QFileInfo(option).absoluteFilePath();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

int addAccount(const QStringList &args) {
  CommandLine line(QStringLiteral("account add"), QString(),
                   QStringLiteral("Stores a sender account in DIR/payslip.mdb (created when "
                                  "missing), as the account editor does, and prints its "
                                  "server_id. With --password-stdin the password is the first "
                                  "line of stdin."));
  line.addValue(QStringLiteral("folder"), QStringLiteral("DIR"),
                QStringLiteral("program folder (default: the program's own)"));
  line.addValue(QStringLiteral("name"), QStringLiteral("NAME"), QStringLiteral("account name"));
  line.addValue(QStringLiteral("host"), QStringLiteral("HOST"), QStringLiteral("SMTP server"));
  line.addValue(QStringLiteral("port"), QStringLiteral("PORT"), QStringLiteral("SMTP port"));
  line.addValue(QStringLiteral("from"), QStringLiteral("ADDRESS"),
                QStringLiteral("sender address"));
  line.addValue(QStringLiteral("user"), QStringLiteral("USER"),
                QStringLiteral("login name (default: the sender address)"));
  line.addFlag(QStringLiteral("password-stdin"), QStringLiteral("read the password from stdin"));
  line.addFlag(QStringLiteral("no-login"), QStringLiteral("the server needs no login"));
  int status = 0;
  if (!line.parse(args, 0, 0, status)) return status;
  for (const char *required : {"name", "host", "port", "from"}) {
    if (!line.isSet(QLatin1String(required)))
      return line.usageError(QStringLiteral("--%1 is required").arg(QLatin1String(required)));
  }
  int port = 0;
  if (!line.intValue(QStringLiteral("port"), 1, port, status)) return status;
  if (port > 65535) return line.usageError(QStringLiteral("not a port: ") + QString::number(port));

  AccountFields fields;
  fields.serverName = line.value(QStringLiteral("name"));
  fields.host = line.value(QStringLiteral("host"));
  fields.email = line.value(QStringLiteral("from"));
  fields.loginName =
      line.isSet(QStringLiteral("user")) ? line.value(QStringLiteral("user")) : fields.email;
  fields.portText = QString::number(port);
  fields.needLogin = !line.isSet(QStringLiteral("no-login"));
  if (line.isSet(QStringLiteral("password-stdin"))) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read stdin"));
    // Only the line end goes: blanks at either end belong to the password.
    QByteArray password = in.readLine();
    if (password.endsWith('\n')) password.chop(1);
    if (password.endsWith('\r')) password.chop(1);
    fields.password = QString::fromUtf8(password);
  }

  DbConnection connection;
  DbQuery query(connection);
  QString error;
  if (!OpenPayslipDatabase(connection, folderOf(line.value(QStringLiteral("folder"))), error))
    return Fail(QStringLiteral("打开数据库错误：") + error);
  if (!SaveNewAccount(fields, query, error)) return Fail(error);
  if (!SqlOpen(QStringLiteral("select last_insert_rowid()"), query, error)) return Fail(error);
  WriteOut(query.field(0).toString() + QLatin1Char('\n'));
  return 0;
}

int listAccounts(const QStringList &args) {
  CommandLine line(QStringLiteral("account list"), QString(),
                   QStringLiteral("Prints the sender accounts of DIR/payslip.mdb as JSON, "
                                  "without their passwords."));
  line.addValue(QStringLiteral("folder"), QStringLiteral("DIR"),
                QStringLiteral("program folder (default: the program's own)"));
  int status = 0;
  if (!line.parse(args, 0, 0, status)) return status;
  const QString folder = folderOf(line.value(QStringLiteral("folder")));
  if (!QFileInfo::exists(PayslipDatabasePath(folder)))
    return Fail(QStringLiteral("no payslip.mdb in ") + folder);

  DbConnection connection;
  DbQuery query(connection);
  QString error;
  if (!OpenPayslipDatabase(connection, folder, error) ||
      !SqlOpen(QStringLiteral("select server_id,server_name,host,port,username,login,"
                              "emailaddress,email_type from smtp_server order by server_id"),
               query, error))
    return Fail(QStringLiteral("打开数据库错误：") + error);
  QJsonArray accounts;
  for (; !query.eof(); query.next()) {
    accounts.append(QJsonObject{
        {QStringLiteral("server_id"), query.field(0).toInt()},
        {QStringLiteral("server_name"), query.field(1).toString()},
        {QStringLiteral("host"), query.field(2).toString()},
        {QStringLiteral("port"), query.field(3).toInt()},
        {QStringLiteral("username"), query.field(4).toString()},
        {QStringLiteral("login"), query.field(5).toBool()},
        {QStringLiteral("emailaddress"), query.field(6).toString()},
        {QStringLiteral("email_type"), query.field(7).toInt()},
    });
  }
  WriteOut(QJsonDocument(accounts).toJson(QJsonDocument::Indented));
  return 0;
}
}  // namespace

int RunAccountCommand(const QStringList &args) {
  const QString usage = QStringLiteral(
      "usage: korvane-cli account add|list [options]; see korvane-cli account add --help");
  if (args.isEmpty())
    return Fail(QStringLiteral("korvane-cli account: missing add or list\n") + usage);
  const QString verb = args.first();
  if (verb == QLatin1String("add")) return addAccount(args.mid(1));
  if (verb == QLatin1String("list")) return listAccounts(args.mid(1));
  if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
    WriteOut(usage + QLatin1Char('\n'));
    return 0;
  }
  return Fail(QStringLiteral("korvane-cli account: unknown action: ") + verb + QLatin1Char('\n') +
              usage);
}
