#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "MailOperations.h"
#include "MimeMessage.h"

class QThread;
class SmtpClient;

// How the send engine hands one mail to an SMTP session.
class MailTransport {
 public:
  using Done = std::function<void(bool sent, const QString &errorText)>;
  virtual ~MailTransport() = default;
  // One session for the message through the account. done runs on the calling thread, once;
  // it may run before send returns.
  virtual void send(const MimeMessage &message, const SmtpAccount &account, Done done) = 0;
};

// The session on the calling thread, which it blocks (the command-line tool, benchmarks).
class DirectMailTransport : public MailTransport {
 public:
  DirectMailTransport();
  ~DirectMailTransport() override;
  void send(const MimeMessage &message, const SmtpAccount &account, Done done) override;

 private:
  std::unique_ptr<SmtpClient> client_;
};

// The session on a thread of its own, so that the calling thread (a window's) keeps handling
// its events while a server takes its time; done is delivered through the calling thread's
// event loop. The session thread touches no database.
class ThreadedMailTransport : public QObject, public MailTransport {
  Q_OBJECT

 public:
  explicit ThreadedMailTransport(QObject *parent = nullptr);
  // Waits for a session still running (at most its time-outs).
  ~ThreadedMailTransport() override;
  void send(const MimeMessage &message, const SmtpAccount &account, Done done) override;

 private:
  QThread *thread_;
  QObject *worker_;  // lives on thread_
  std::shared_ptr<SmtpClient> client_;
};
