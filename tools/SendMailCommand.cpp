#include <QFile>

#include "CliCommands.h"
#include "CliOutput.h"
#include "sending/MailOperations.h"
#include "sending/MimeMessage.h"
#include "sending/SmtpClient.h"

namespace {
const char kSendMailUsage[] =
    "usage: korvane-cli send-mail HOST PORT FROM TO SUBJECT HTML-FILE [--login USER]\n"
    "  sends HTML-FILE (UTF-8) as one payslip mail; with --login the password is the first\n"
    "  line of stdin";
}  // namespace

int RunSendMailCommand(const QStringList &args) {
  if (args.size() != 6 && !(args.size() == 8 && args.at(6) == QLatin1String("--login")))
    return Fail(QString::fromLatin1(kSendMailUsage));
  bool portOk = false;
  const int port = args.at(1).toInt(&portOk);
  if (!portOk) return Fail(QStringLiteral("not a port: ") + args.at(1));
  QFile html(args.at(5));
  if (!html.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read ") + args.at(5));

  const bool login = args.size() == 8;
  QString password;
  if (login) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read stdin"));
    password = QString::fromUtf8(in.readLine()).trimmed();
  }

  MimeMessage message;
  message.ContentType = QStringLiteral("text/html");
  message.CharSet = QStringLiteral("UTF-8");
  message.Subject = args.at(4);
  message.From = args.at(2);
  message.setRecipientsText(args.at(3));
  message.Body << QString::fromUtf8(html.readAll());

  SmtpClient client;
  QString error;
  if (!SendEmailBySMTP(client, message, args.at(0), login ? args.at(7) : QString(), password, port,
                       login, error))
    return Fail(error);
  WriteOut(QStringLiteral("sent\n"));
  return 0;
}
