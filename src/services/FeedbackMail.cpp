#include "FeedbackMail.h"

#include <QStringList>

#include "MakerSite.h"
#include "sending/MailOperations.h"
#include "sending/MimeMessage.h"
#include "sending/SmtpClient.h"

FeedbackMail::FeedbackMail(DbQuery &query, Clock &clock) : query_(query), clock_(clock) {}

QString FeedbackMail::Body(const QString &text) {
  if (text.isEmpty()) return {};
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = normalised.split(QLatin1Char('\n'));
  // A line break at the very end closes the last line; it opens no empty one.
  if (normalised.endsWith(QLatin1Char('\n'))) lines.removeLast();
  QString body;
  for (const QString &line : lines) body += line + QStringLiteral("<br>");
  return body;
}

void FeedbackMail::Prepare(MimeMessage &message, const SmtpAccount &account, const QString &text) {
  message.clear();
  message.ContentType = QStringLiteral("text/html");
  message.CharSet = QStringLiteral("UTF-8");
  message.Subject = QStringLiteral("payslip问题反馈");
  message.From = account.emailAddress;
  message.setRecipientsText(MakerFeedbackAddress());
  message.Body.clear();
  message.Body << Body(text);
}

bool FeedbackMail::pickAccount(SmtpAccount &account, Result &result, QString &errorText) {
  if (GetSMTPServerCount(query_) == 0) {
    result = Result::NoAccount;
    return false;
  }
  QString error;
  if (!GetSMTPServerInfo(query_, clock_, 0, true, account, error) || account.host.isEmpty()) {
    result = Result::PickFailed;
    errorText = error;
    return false;
  }
  return true;
}

FeedbackMail::Result FeedbackMail::Send(SmtpClient &client, const SmtpAccount &account,
                                        const QString &text, QString &errorText) {
  MimeMessage message;
  Prepare(message, account, text);
  return SendEmailBySMTP(client, message, account.host, account.username, account.pwd, account.port,
                         account.login, errorText)
             ? Result::Sent
             : Result::SendFailed;
}
