#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "PayslipList.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QWidget;
class SendEngine;
class SendListModel;
class PayslipPreview;
class ThreadedMailTransport;
class TimerPacer;
struct SendPassResult;

// The send list window: the batch in payslip, the choice of rows, the send options kept in
// Mass.ini, and the send engine's log, progress and status. Opened modally by the conversion
// window after a worksheet was converted, and by the main window to continue a batch. Mails
// go out on a session thread and the waits are timers, so the window stays live during a pass
// and "终止发送&o" can stop it.
class TFormSend : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSend(QWidget *parent = nullptr);
  ~TFormSend() override;

  // The mail subject: read from Mass.ini at creation; a caller may overwrite it before showing.
  QString EmailTitle;
  // The snapshot of the options, taken when a send starts.
  bool InTrun = false;
  int SMTPServerID = 0;
  int SendInterval = 7;
  int WaitSecond = 10;
  int AfterSendCnt = 30;
  bool WaitSecondRandom = false;
  bool AddNameToEmailTitleHead = false;

  // The first status panel: the conversion summary ("共转换…").
  void setSummaryText(const QString &text);

  QString GetCurrentName() const;
  QString GetTitleWithName() const;
  void ShowTitle();
  bool isSending() const;
  // Closing while a pass runs takes effect when the pass has finished; Mass.ini is written.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  // UfrmSend.cpp: the controls and the settings.
  void buildActions();
  QWidget *buildOptions();
  QWidget *buildList();
  QWidget *buildBottom();
  void fillAccounts();
  void applyMassIni();
  void writeMassIni();
  void placeSendButtons();
  // UfrmSendCommands.cpp: the commands and the pass.
  void selectAll();
  void unselectAll();
  void reverseSelection();
  bool selectUnsent();
  void showSelectionCount();
  void toggleRow(int row);
  void moveTo(int row);
  int currentRow() const;
  void reloadPreview();
  void setServer();
  void send();
  void stopSend();
  void sendAgain();
  void noAccount();
  void setSending(bool on);
  void wireEngine();
  void endOfPass(const SendPassResult &result);

  bool ShowWeb = false;
  bool closeAfterPass_ = false;

  PayslipList list_;
  SendListModel *model_ = nullptr;
  std::unique_ptr<ThreadedMailTransport> transport_;
  std::unique_ptr<TimerPacer> pacer_;
  std::unique_ptr<SendEngine> engine_;

  QAction *ActionSelectAll = nullptr;
  QAction *ActionUnSelectAll = nullptr;
  QAction *ActionReverseSelection = nullptr;
  QAction *ActionSelectUnSend = nullptr;
  QAction *ActionSend = nullptr;
  QAction *ActionStopSend = nullptr;
  QAction *ActionSendAgain = nullptr;
  QAction *ActionShowWeb = nullptr;
  QAction *ActionSetServer = nullptr;
  QList<QAction *> navigation_;

  QComboBox *wwDBComboBoxSMTPServer = nullptr;
  QCheckBox *CheckBoxInTurn = nullptr;
  QSpinBox *EditInteval = nullptr;
  QCheckBox *CheckBoxRandom = nullptr;
  QComboBox *ComboBoxSendCnt = nullptr;
  QComboBox *ComboBoxWait = nullptr;
  QCheckBox *CheckBoxAddNameToEmailTitle = nullptr;
  QTableView *grid_ = nullptr;
  QLabel *LabelTitle = nullptr;
  PayslipPreview *WebBrowser1 = nullptr;
  QPlainTextEdit *Memo1 = nullptr;
  QWidget *bottomPanel_ = nullptr;
  QPushButton *ButtonSend = nullptr;
  QPushButton *ButtonStopSend = nullptr;
  QProgressBar *ProgressBar1 = nullptr;
  QLabel *statusPanel0_ = nullptr;
  QLabel *statusPanel1_ = nullptr;
};
