#include "UfrmTestSMTPServer.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QVBoxLayout>

#include "sending/SmtpSecurity.h"
#include "widgets/Interaction.h"
#include "widgets/WindowPlacement.h"

namespace {
// Long enough for a slow server, short enough that the window can never hang.
constexpr int kConnectTimeoutMs = 15000;
}  // namespace

TFormTestSMTPServer::TFormTestSMTPServer(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormTestSMTPServer"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("SMTP服务器测试"));
  resize(784, 562);
  // Centred on the desktop, not over the opener.
  PlaceOnFirstShow(this, WindowPlacement::DesktopCentre);

  ActionTest = new QAction(QStringLiteral("测试&T"), this);
  ActionTest->setObjectName(QStringLiteral("ActionTest"));
  connect(ActionTest, &QAction::triggered, this, [this] { DoTest(); });
  ActionStop = new QAction(QStringLiteral("终止测试&S"), this);
  ActionStop->setObjectName(QStringLiteral("ActionStop"));
  connect(ActionStop, &QAction::triggered, this, &TFormTestSMTPServer::stopTest);
  addAction(ActionTest);
  addAction(ActionStop);

  MemoLog = new QPlainTextEdit(this);
  MemoLog->setObjectName(QStringLiteral("MemoLog"));
  MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  MemoLog->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: lime; }"));
  MemoLog->setFont(QFont(QStringLiteral("宋体")));

  auto bindButton = [this](QPushButton *&button, const char *name, QAction *action) {
    button = new QPushButton(action->text(), this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
  };
  bindButton(ButtonTest, "ButtonTest", ActionTest);
  bindButton(ButtonStop, "ButtonStop", ActionStop);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonTest);
  buttons->addWidget(ButtonStop);
  buttons->addStretch();
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(MemoLog, 1);
  layout->addLayout(buttons);
}

TFormTestSMTPServer::~TFormTestSMTPServer() { closeConnection(); }

bool TFormTestSMTPServer::DoTest() {
  MemoLog->clear();
  closeConnection();

  const quint16 port = static_cast<quint16>(Port & 0xFFFF);
  const bool implicitTls = IsImplicitTlsPort(port);
  QTcpSocket *socket = nullptr;
  if (implicitTls) {
    auto *ssl = new QSslSocket(this);
    const QString bundle = SmtpCaBundle();
    if (!bundle.isEmpty()) {
      QSslConfiguration config = ssl->sslConfiguration();
      config.addCaCertificates(QSslCertificate::fromPath(bundle));
      ssl->setSslConfiguration(config);
    }
    socket = ssl;
  } else {
    socket = new QTcpSocket(this);
  }
  socket_ = socket;
  connect(socket, &QTcpSocket::readyRead, this, &TFormTestSMTPServer::IdTelnet1DataAvailable);

  bool connected = false;
  if (implicitTls) {
    auto *ssl = static_cast<QSslSocket *>(socket);
    ssl->connectToHostEncrypted(Host, port);
    connected = ssl->waitForEncrypted(kConnectTimeoutMs);
  } else {
    socket->connectToHost(Host, port);
    connected = socket->waitForConnected(kConnectTimeoutMs);
  }
  if (!connected) {
    const QString error = socket->errorString();
    closeConnection();
    Interaction::current().showError(error);
    return false;
  }
  // Replies that came with the handshake are waiting already.
  if (socket->bytesAvailable() > 0) IdTelnet1DataAvailable();
  return true;
}

void TFormTestSMTPServer::IdTelnet1DataAvailable() {
  if (!socket_) return;
  const QByteArray chunk = socket_->readAll();
  if (chunk.isEmpty()) return;

  scrollLogToEnd();
  SmtpDialogueScript script;
  script.NeedLogin = NeedLogin;
  script.LoginName = LoginName;
  script.Password = Password;
  const SmtpDialogueAnswer answer = script.handleChunk(chunk);
  for (const QString &entry : answer.logEntries) appendToLog(entry);
  if (!answer.toSend.isEmpty()) socket_->write(answer.toSend);
  if (answer.scrollToEnd) scrollLogToEnd();
}

void TFormTestSMTPServer::stopTest() {
  closeConnection();
  close();
}

void TFormTestSMTPServer::closeEvent(QCloseEvent *event) {
  closeConnection();
  QDialog::closeEvent(event);
}

void TFormTestSMTPServer::closeConnection() {
  if (!socket_) return;
  QTcpSocket *socket = socket_;
  socket_ = nullptr;
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}

void TFormTestSMTPServer::appendToLog(const QString &entry) {
  // The server's line breaks are CR LF; the log shows one entry per reply without a blank line.
  QString text = entry;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  MemoLog->appendPlainText(text);
}

void TFormTestSMTPServer::scrollLogToEnd() {
  MemoLog->moveCursor(QTextCursor::End);
  MemoLog->verticalScrollBar()->setValue(MemoLog->verticalScrollBar()->maximum());
}

void RunAccountTest(QWidget *parent, const SmtpTestAccount &account) {
  QPointer<TFormTestSMTPServer> window = new TFormTestSMTPServer(parent);
  window->Host = account.host;
  window->Port = account.port;
  window->NeedLogin = account.needLogin;
  window->LoginName = account.loginName;
  window->Password = account.password;
  if (window->DoTest()) Interaction::current().execModal(window);
  delete window.data();  // null when it freed itself on closing
}
