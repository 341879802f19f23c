#include <QFile>

#include "CliCommands.h"
#include "CliOutput.h"
#include "CommandLine.h"
#include "sending/MailOperations.h"
#include "sending/MimeMessage.h"
#include "sending/SmtpClient.h"

int RunSendMailCommand(const QStringList &args) {
  CommandLine line(QStringLiteral("send-mail"),
                   QStringLiteral("HOST PORT FROM TO SUBJECT HTML-FILE"),
                   QStringLiteral("Sends HTML-FILE (UTF-8) as one payslip mail. With --login the "
                                  "password is the first line of stdin."));
  line.addValue(QStringLiteral("login"), QStringLiteral("USER"),
                QStringLiteral("log in (AUTH LOGIN) as USER"));
  int status = 0;
  if (!line.parse(args, 6, 6, status)) return status;
  const QStringList pos = line.positional();
  bool portOk = false;
  const int port = pos.at(1).toInt(&portOk);
  if (!portOk) return line.usageError(QStringLiteral("not a port: ") + pos.at(1));
  QFile html(pos.at(5));
  if (!html.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read ") + pos.at(5));

  const bool login = line.isSet(QStringLiteral("login"));
  QString password;
  if (login) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read stdin"));
    // Only the line end goes: blanks at either end belong to the password.
    QByteArray typed = in.readLine();
    if (typed.endsWith('\n')) typed.chop(1);
    if (typed.endsWith('\r')) typed.chop(1);
    password = QString::fromUtf8(typed);
  }

  MimeMessage message;
  message.ContentType = QStringLiteral("text/html");
  message.CharSet = QStringLiteral("UTF-8");
  message.Subject = pos.at(4);
  message.From = pos.at(2);
  message.setRecipientsText(pos.at(3));
  message.Body << QString::fromUtf8(html.readAll());

  SmtpClient client;
  QString error;
  if (!SendEmailBySMTP(client, message, pos.at(0), line.value(QStringLiteral("login")), password,
                       port, login, error))
    return Fail(error);
  WriteOut(QStringLiteral("sent\n"));
  return 0;
}
