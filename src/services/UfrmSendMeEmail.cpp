#include "UfrmSendMeEmail.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>

#include "FeedbackMail.h"
#include "MakerSite.h"
#include "data/Clock.h"
#include "data/Data.h"
#include "mailservers/UfrmSetSMTPServer.h"
#include "sending/MailOperations.h"
#include "sending/SmtpClient.h"
#include "widgets/Interaction.h"
#include "widgets/WindowPlacement.h"

TFormSendMeEmail::TFormSendMeEmail(QWidget *parent) : QDialog(parent) {
  PlaceOnFirstShow(this, WindowPlacement::MainWindowCentre);
  setObjectName(QStringLiteral("FormSendMeEmail"));
  setWindowTitle(QStringLiteral("问题反馈"));
  setFont(QFont(QStringLiteral("宋体")));
  resize(784, 562);

  Label1 = new QLabel(QStringLiteral("请描述您的问题："), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  ButtonSubmit = new QPushButton(QStringLiteral("提交&S"), this);
  ButtonSubmit->setObjectName(QStringLiteral("ButtonSubmit"));
  ButtonSubmit->setAutoDefault(false);
  connect(ButtonSubmit, &QPushButton::clicked, this, &TFormSendMeEmail::ButtonSubmitClick);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  auto *tip = new QLabel(
      QStringLiteral("提示：您可以在这里描述您的问题并提交给我们。亦可直接发邮件给我们.Email: ") +
          MakerFeedbackAddress(),
      StatusBar1);
  tip->setObjectName(QStringLiteral("StatusPanel"));
  StatusBar1->addWidget(tip, 1);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonSubmit);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 0);
  layout->addWidget(Label1);
  layout->addWidget(Memo1, 1);
  layout->addLayout(buttons);
  layout->addWidget(StatusBar1);

  Memo1->setFocus();
  // Sees every key before the controls do, so Enter can move the focus as Tab does.
  qApp->installEventFilter(this);
}

TFormSendMeEmail::~TFormSendMeEmail() { qApp->removeEventFilter(this); }

bool TFormSendMeEmail::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto *widget = qobject_cast<QWidget *>(watched);
  if (!widget || (widget != this && !isAncestorOf(widget)) || widget == Memo1 ||
      Memo1->isAncestorOf(widget))
    return false;
  const int key = static_cast<QKeyEvent *>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  focusNextChild();
  return true;
}

void TFormSendMeEmail::reject() {
  // The session runs on a thread of its own; the window stays until it has ended.
  if (!sending_) QDialog::reject();
}

void TFormSendMeEmail::ButtonSubmitClick() {
  if (sending_) return;
  Interaction &ui = Interaction::current();
  FeedbackMail feedback(DataModule1->ADOQueryAccessComm, Clock::instance());
  SmtpAccount account;
  FeedbackMail::Result result = FeedbackMail::Result::Sent;
  QString errorText;
  if (!feedback.pickAccount(account, result, errorText)) {
    if (result == FeedbackMail::Result::NoAccount) {
      ui.showMessage(QStringLiteral("您没有设置邮件服务器信息，请设置。"));
      openServerSettings();
    } else {
      ui.showMessage(QStringLiteral("获取邮件服务器信息失败：") + errorText +
                     QStringLiteral(",无法提交问题！"));
    }
    return;
  }

  // The SMTP session must not freeze the window: it runs on a thread of its own while the
  // window waits with the busy cursor and takes no second submission.
  const QString text = Memo1->toPlainText();
  sending_ = true;
  ButtonSubmit->setEnabled(false);
  Memo1->setReadOnly(true);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QEventLoop loop;
  QThread *session = QThread::create([&] {
    SmtpClient client;
    result = FeedbackMail::Send(client, account, text, errorText);
  });
  connect(session, &QThread::finished, &loop, &QEventLoop::quit);
  session->start();
  loop.exec();
  session->wait();
  delete session;
  QApplication::restoreOverrideCursor();
  Memo1->setReadOnly(false);
  ButtonSubmit->setEnabled(true);
  sending_ = false;

  if (result == FeedbackMail::Result::Sent) {
    ui.showMessage(QStringLiteral("提交成功！"));
    accept();
  } else {
    ui.showMessage(QStringLiteral("提交失败！") + errorText);
  }
}

void TFormSendMeEmail::openServerSettings() {
  QString error;
  if (!OpenPayslipDatabase(error)) {
    Interaction::current().showMessage(QStringLiteral("打开数据库错误：") + error +
                                       QLatin1Char('\r') + QStringLiteral("无法继续操作！"));
    return;
  }
  TFormSetSMTPServer settings(this);
  Interaction::current().execModal(&settings);
}
