#pragma once

#include <QString>

class Clock;
class DbQuery;
class MimeMessage;
class SmtpClient;
struct SmtpAccount;

// The feedback mail to the maker, sent through one of the user's own accounts drawn at random.
class FeedbackMail {
 public:
  enum class Result {
    NoAccount,   // no sender account: the user must set one up first
    PickFailed,  // the account could not be read, or its host is empty; errorText says why
    Sent,
    SendFailed,  // errorText is the mail layer's reason
  };

  FeedbackMail(DbQuery &query, Clock &clock);

  // The one body line: every line of the text followed by "<br>", as typed (no escaping).
  static QString Body(const QString &text);
  // The message for the text from the account.
  static void Prepare(MimeMessage &message, const SmtpAccount &account, const QString &text);

  // Counts the accounts and draws one; false with the result to report when there is none
  // usable.
  bool pickAccount(SmtpAccount &account, Result &result, QString &errorText);
  // One session through the account.
  static Result Send(SmtpClient &client, const SmtpAccount &account, const QString &text,
                     QString &errorText);

 private:
  DbQuery &query_;
  Clock &clock_;
};
