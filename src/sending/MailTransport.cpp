#include "MailTransport.h"

#include <QPointer>
#include <QThread>

#include "SmtpClient.h"

DirectMailTransport::DirectMailTransport() : client_(std::make_unique<SmtpClient>()) {}

DirectMailTransport::~DirectMailTransport() = default;

void DirectMailTransport::send(const MimeMessage &message, const SmtpAccount &account, Done done) {
  QString error;
  const bool sent = SendEmailBySMTP(*client_, message, account.host, account.username, account.pwd,
                                    account.port, account.login, error);
  done(sent, error);
}

ThreadedMailTransport::ThreadedMailTransport(QObject *parent)
    : QObject(parent),
      thread_(new QThread),
      worker_(new QObject),
      client_(std::make_shared<SmtpClient>()) {
  thread_->setObjectName(QStringLiteral("smtp-session"));
  worker_->moveToThread(thread_);
  connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
  thread_->start();
}

ThreadedMailTransport::~ThreadedMailTransport() {
  thread_->quit();
  thread_->wait();
  delete thread_;
}

void ThreadedMailTransport::send(const MimeMessage &message, const SmtpAccount &account,
                                 Done done) {
  // The session gets copies: the engine reuses its message for the next mail.
  QPointer<QObject> back(this);
  std::shared_ptr<SmtpClient> client = client_;
  QMetaObject::invokeMethod(worker_, [back, client, message, account, done = std::move(done)] {
    QString error;
    const bool sent = SendEmailBySMTP(*client, message, account.host, account.username, account.pwd,
                                      account.port, account.login, error);
    // Dropped when the transport is gone: nobody is left to hear the result.
    QMetaObject::invokeMethod(
        back.data(), [done, sent, error] { done(sent, error); }, Qt::QueuedConnection);
  });
}
