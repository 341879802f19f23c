#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

// The feedback window: the user describes a problem and mails it to the maker through one of
// the sender accounts.
class TFormSendMeEmail : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSendMeEmail(QWidget *parent = nullptr);
  ~TFormSendMeEmail() override;

  // "提交&S".
  void ButtonSubmitClick();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void reject() override;

 private:
  void openServerSettings();

  QLabel *Label1 = nullptr;
  QPlainTextEdit *Memo1 = nullptr;
  QPushButton *ButtonSubmit = nullptr;
  QStatusBar *StatusBar1 = nullptr;
  bool sending_ = false;
};
