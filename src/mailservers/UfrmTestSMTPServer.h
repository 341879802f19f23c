#pragma once

#include <QDialog>
#include <QString>

#include "SmtpDialogueScript.h"

class QAction;
class QPlainTextEdit;
class QPushButton;
class QTcpSocket;

// Tries a sender account against its SMTP server without sending mail: a short fixed script
// answers the server's replies, and every reply is logged with a Chinese explanation.
class TFormTestSMTPServer : public QDialog {
  Q_OBJECT

 public:
  explicit TFormTestSMTPServer(QWidget *parent = nullptr);
  ~TFormTestSMTPServer() override;

  QString Host;
  int Port = 25;
  bool NeedLogin = true;
  QString LoginName;
  QString Password;

  // Runs the test command; false when the connection failed (the error was shown in the
  // general error box via Interaction::current().showError).
  bool DoTest();

 protected:
  void closeEvent(QCloseEvent *event) override;

 private:
  void IdTelnet1DataAvailable();
  void stopTest();
  void closeConnection();
  void appendToLog(const QString &entry);
  void scrollLogToEnd();

  QAction *ActionTest = nullptr;
  QAction *ActionStop = nullptr;
  QPlainTextEdit *MemoLog = nullptr;
  QPushButton *ButtonTest = nullptr;
  QPushButton *ButtonStop = nullptr;
  QTcpSocket *socket_ = nullptr;
};

// The account an account window tests.
struct SmtpTestAccount {
  QString host;
  int port = 25;
  bool needLogin = true;
  QString loginName;
  QString password;
};

// The test as the server settings window and the account editor start it: a fresh test window
// with the account's fields connects at once (DoTest) and only then is shown modally; when the
// connection fails, the error has been shown and no window opens.
void RunAccountTest(QWidget *parent, const SmtpTestAccount &account);
