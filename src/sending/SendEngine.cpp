#include "SendEngine.h"

#include <QPointer>
#include <climits>

#include "MailTransport.h"
#include "PayslipList.h"
#include "SendPacer.h"
#include "SendRecord.h"
#include "data/Clock.h"

namespace {
QString mailLine(const SmtpAccount &account, const PayslipRow &row, const QString &outcome) {
  return QStringLiteral("通过") + account.serverName + QStringLiteral("向") + row.f2 +
         QLatin1Char('(') + row.emailAddress + QLatin1Char(')') + outcome;
}
const QString kSucceeded = QStringLiteral("发送工资条邮件成功！");
const QString kFailed = QStringLiteral("发送工资条邮件失败！");
}  // namespace

SendEngine::SendEngine(DbConnection &connection, Clock &clock, MailTransport &transport,
                       SendPacer &pacer, QObject *parent)
    : QObject(parent),
      query_(connection),
      syncQuery_(connection),
      clock_(clock),
      transport_(transport),
      pacer_(pacer) {}

SendEngine::~SendEngine() = default;

SendEngine::Start SendEngine::start(PayslipList &list, const SendOptions &options) {
  if (!list.isOpen()) return Start::NotOpen;
  if (list.count() == 0) return Start::NoRows;
  list_ = &list;
  options_ = options;
  result_ = SendPassResult();
  emit progressRange(list.count());
  index_ = 0;
  emit currentRowChanged(0);
  progress_ = 0;
  mailsTried_ = 0;
  stopRequested_ = false;
  step_ = Step::Row;
  busy_ = false;
  running_ = true;
  fullSync_ = std::make_unique<FullSyncScope>(syncQuery_);
  advance();
  return Start::Started;
}

// Sessions and waits may answer at once (a blocking transport, a recording clock) or later
// through the event loop; either way the steps run from this one loop, so a long pass never
// grows the stack.
void SendEngine::advance() {
  if (advancing_) return;
  advancing_ = true;
  while (running_ && !busy_) runStep();
  advancing_ = false;
}

void SendEngine::runStep() {
  switch (step_) {
    case Step::Row:
      if (index_ >= list_->count()) {
        finish();
        return;
      }
      emit progressed(++progress_);
      if (!list_->isSelected(index_)) {
        nextRow();
        return;
      }
      sendRow();
      return;
    case Step::FirstWait: {
      int seconds = options_.sendInterval;
      if (options_.waitSecondRandom) {
        const int draw = clock_.randomBelow(30);
        seconds = draw == 0 ? options_.sendInterval : draw;
      }
      wait(seconds, Step::LongPause);
      return;
    }
    case Step::LongPause:
      // The success count is never reset in a pass: past the limit every mail is followed
      // by the long pause.
      if (result_.sent > options_.afterSendCnt)
        wait(options_.waitSecond, Step::StopCheck);
      else
        step_ = Step::StopCheck;
      return;
    case Step::StopCheck:
      if (stopRequested_) {
        emit message(SendTexts::Interrupted);
        result_.stopped = true;
        finish();
        return;
      }
      if (mailLimit_ > 0 && mailsTried_ >= mailLimit_) {
        result_.stopped = true;
        finish();
        return;
      }
      nextRow();
      return;
  }
}

void SendEngine::sendRow() {
  const PayslipRow &row = list_->row(index_);
  emit statusText(QStringLiteral("正在发邮件到") + row.emailAddress);
  SmtpAccount account;
  QString lookupError;
  if (!GetSMTPServerInfo(query_, clock_, options_.serverId, options_.inTurn, account,
                         lookupError)) {
    if (RecordPayslipError(query_, row.payslipId, lookupError)) {
      list_->row(index_).errMsg = lookupError;
      emit rowWritten(index_);
    }
    // No account was found, so the line names none; this variant has a blank before the text.
    emit logLine(mailLine(SmtpAccount(), row, kFailed + QLatin1Char(' ') + lookupError));
    ++result_.failed;
    ++mailsTried_;
    step_ = Step::FirstWait;
    return;
  }
  if (account.host.isEmpty()) {
    // Skipped outright: no status, no count, no wait, no stop check.
    emit logLine(QStringLiteral("获取邮件服务器信息失败：") + lookupError +
                 QStringLiteral(",无法发送邮件给！") + row.f2);
    nextRow();
    return;
  }
  account_ = account;
  message_.ContentType = QStringLiteral("text/html");
  message_.CharSet = QStringLiteral("UTF-8");
  message_.Subject =
      options_.addNameToTitle ? GetTitleWithName(row.f2, options_.emailTitle) : options_.emailTitle;
  message_.From = account.emailAddress;
  message_.setRecipientsText(row.emailAddress);
  message_.Body.clear();
  message_.Body << row.htmlStr;
  busy_ = true;
  QPointer<SendEngine> self(this);
  transport_.send(message_, account, [self](bool sent, const QString &errorText) {
    if (!self) return;
    self->busy_ = false;
    self->mailDone(sent, errorText);
    self->advance();
  });
}

void SendEngine::mailDone(bool sent, const QString &errorText) {
  PayslipRow &row = list_->row(index_);
  if (sent) {
    QString recordError;
    if (!RecordPayslipSent(query_, row.payslipId, recordError)) {
      // The mail went out but the row still reads as unsent: the pass cannot go on.
      result_.recordFailed = true;
      result_.recordError = recordError;
      running_ = false;
      fullSync_.reset();
      emit finished(result_);
      return;
    }
    row.sendStatus = true;
    emit rowWritten(index_);
    emit logLine(mailLine(account_, row, kSucceeded));
    ++result_.sent;
    emit archived(index_);
  } else {
    if (RecordPayslipError(query_, row.payslipId, errorText)) {
      row.errMsg = errorText;
      emit rowWritten(index_);
    }
    emit logLine(mailLine(account_, row, kFailed + errorText));
    ++result_.failed;
  }
  ++mailsTried_;
  step_ = Step::FirstWait;
}

void SendEngine::wait(int seconds, Step next) {
  step_ = next;
  busy_ = true;
  const int ms = qBound(0, seconds, INT_MAX / 1000) * 1000;
  QPointer<SendEngine> self(this);
  pacer_.wait(ms, [self] {
    if (!self) return;
    self->busy_ = false;
    self->advance();
  });
}

void SendEngine::nextRow() {
  ++index_;
  if (index_ < list_->count()) emit currentRowChanged(index_);
  step_ = Step::Row;
}

void SendEngine::finish() {
  running_ = false;
  fullSync_.reset();
  emit statusText(SendTexts::PassDone);
  emit finished(result_);
}
