#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "MailOperations.h"
#include "MimeMessage.h"
#include "SendOptions.h"
#include "data/DbQuery.h"

class Clock;
class DbConnection;
class MailTransport;
class PayslipList;
class SendPacer;
class FullSyncScope;

// What one pass came to.
struct SendPassResult {
  int sent = 0;
  int failed = 0;
  bool stopped = false;       // by a stop request (or the mail limit)
  bool recordFailed = false;  // a sent mail's send_status could not be written
  QString recordError;
};

// One send pass over a payslip list: for every selected row an account (the chosen one or a
// random draw), one HTML mail through the transport, the outcome written to the row (a sent
// one archived into slip in the same commit), a log line, the waits, then the stop check.
// Runs on the thread that owns the connection; the transport and the pacer decide whether
// sessions and waits block that thread or come back through its event loop. Each effect is
// reported by a signal, in the order it happens.
class SendEngine : public QObject {
  Q_OBJECT

 public:
  SendEngine(DbConnection &connection, Clock &clock, MailTransport &transport, SendPacer &pacer,
             QObject *parent = nullptr);
  ~SendEngine() override;

  enum class Start { Started, NotOpen, NoRows };
  // The start of a pass over the list (which must outlive it) with the snapshot's options.
  // NoRows: the list holds no row at all; nothing happens.
  Start start(PayslipList &list, const SendOptions &options);
  bool isRunning() const { return running_; }
  // The pass stops after the current mail and its waits.
  void requestStop() { stopRequested_ = true; }
  // At most this many mails in the pass (0: no limit); the pass then ends as after its waits.
  void setMailLimit(int limit) { mailLimit_ = limit; }

 signals:
  void progressRange(int maximum);
  void progressed(int value);
  void currentRowChanged(int index);
  void statusText(const QString &text);
  // The row's send_status or err_msg was written, in the database and in the list.
  void rowWritten(int index);
  void logLine(const QString &line);
  // The sent row's archive copy went into slip (with the row, in one commit).
  void archived(int index);
  // A message for the user in the middle of the pass ("发送过程被中断").
  void message(const QString &text);
  void finished(const SendPassResult &result);

 private:
  enum class Step { Row, FirstWait, LongPause, StopCheck };
  void advance();
  void runStep();
  void sendRow();
  void mailDone(bool sent, const QString &errorText);
  void wait(int seconds, Step next);
  void nextRow();
  void finish();

  DbQuery query_;
  DbQuery syncQuery_;
  std::unique_ptr<FullSyncScope> fullSync_;  // for the length of a pass
  Clock &clock_;
  MailTransport &transport_;
  SendPacer &pacer_;
  MimeMessage message_;

  PayslipList *list_ = nullptr;
  SendOptions options_;
  SendPassResult result_;
  Step step_ = Step::Row;
  int index_ = 0;
  int progress_ = 0;
  int mailsTried_ = 0;
  int mailLimit_ = 0;
  SmtpAccount account_;
  bool running_ = false;
  bool busy_ = false;       // a session or a wait is out
  bool advancing_ = false;  // inside the loop: a callback that comes at once only marks busy_
  bool stopRequested_ = false;
};
