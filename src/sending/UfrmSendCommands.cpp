// The send window's commands: the selection, the account settings and the send command with
// its checks, its snapshot, the pass and its end.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

#include "MapCombo.h"
#include "SendEngine.h"
#include "SendListModel.h"
#include "SendOptions.h"
#include "UfrmSend.h"
#include "data/Data.h"
#include "mailservers/UfrmEmailAccountSet.h"
#include "mailservers/UfrmSetSMTPServer.h"
#include "widgets/Interaction.h"
#include "widgets/PayslipPreview.h"

namespace {
QString databaseError(const QString &error) {
  return QStringLiteral("打开数据库错误：") + error + QLatin1Char('\r') +
         QStringLiteral("无法继续操作！");
}

// Shows a window of ours modally through the interaction seam and frees it.
template <typename Window>
void runModal(QWidget *parent) {
  auto *window = new Window(parent);
  Interaction::current().execModal(window);
  delete window;
}
}  // namespace

int TFormSend::currentRow() const {
  const QModelIndex index = grid_->currentIndex();
  if (index.isValid()) return index.row();
  return list_.count() > 0 ? 0 : -1;
}

void TFormSend::moveTo(int row) {
  if (row < 0 || row >= list_.count()) return;
  const int column = qMax(0, grid_->currentIndex().column());
  grid_->selectionModel()->setCurrentIndex(
      model_->index(row, column), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TFormSend::showSelectionCount() {
  statusPanel0_->setText(QStringLiteral("本次选择了") + QString::number(list_.selectedCount()) +
                         QStringLiteral("条准备发送。"));
}

void TFormSend::selectAll() {
  if (!list_.selectAll()) return;
  model_->selectionChanged();
  showSelectionCount();
}

void TFormSend::unselectAll() {
  if (!list_.unselectAll()) return;
  model_->selectionChanged();
  showSelectionCount();
}

void TFormSend::reverseSelection() {
  list_.reverseSelection();
  model_->selectionChanged();
  // The walk leaves the list on its last row.
  if (list_.count() > 0) moveTo(list_.count() - 1);
  showSelectionCount();
}

bool TFormSend::selectUnsent() {
  if (!ActionSelectUnSend->isEnabled()) return false;
  list_.selectUnsent();
  model_->selectionChanged();
  // The walk leaves the list on its last row.
  if (list_.count() > 0) moveTo(list_.count() - 1);
  showSelectionCount();
  return true;
}

void TFormSend::toggleRow(int row) {
  if (isSending() || row < 0 || row >= list_.count()) return;
  list_.setSelected(row, !list_.isSelected(row));
  model_->rowChanged(row);
  showSelectionCount();
}

void TFormSend::reloadPreview() {
  const int row = currentRow();
  WebBrowser1->showDocument(row >= 0 ? list_.row(row).htmlStr : QString());
}

void TFormSend::setServer() {
  QString error;
  if (!OpenPayslipDatabase(error)) {
    Interaction::current().showMessage(databaseError(error));
    return;
  }
  runModal<TFormSetSMTPServer>(this);
  // The chosen account stays chosen while it exists.
  const QString chosen = MapComboValue(wwDBComboBoxSMTPServer);
  fillAccounts();
  if (!chosen.isEmpty())
    wwDBComboBoxSMTPServer->setCurrentIndex(wwDBComboBoxSMTPServer->findData(chosen));
}

void TFormSend::noAccount() {
  Interaction::current().showMessage(SendTexts::NoAccount);
  QString error;
  if (!OpenPayslipDatabase(error)) {
    Interaction::current().showMessage(databaseError(error));
    return;
  }
  runModal<TFormEmailAccountSet>(this);
  fillAccounts();
  if (wwDBComboBoxSMTPServer->count() > 0) wwDBComboBoxSMTPServer->setCurrentIndex(0);
}

bool TFormSend::isSending() const { return engine_->isRunning() || ActionStopSend->isEnabled(); }

void TFormSend::setSending(bool on) {
  for (QAction *a :
       {ActionSend, ActionSelectAll, ActionUnSelectAll, ActionReverseSelection, ActionSelectUnSend})
    a->setEnabled(!on);
  ActionStopSend->setEnabled(on);
  ButtonStopSend->setVisible(on);
  if (on)
    QApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TFormSend::send() {
  if (isSending()) return;
  // A: an account to send with.
  switch (CheckSendAccounts(DataModule1->ADOQueryAccessComm, CheckBoxInTurn->isChecked(),
                            wwDBComboBoxSMTPServer->currentIndex() >= 0)) {
    case AccountCheck::Go:
      break;
    case AccountCheck::ChooseAccount:
      Interaction::current().showMessage(SendTexts::ChooseAccount);
      wwDBComboBoxSMTPServer->setFocus();
      return;
    case AccountCheck::NoAccount:
      noAccount();
      return;
  }
  // B: the snapshot of the options.
  SendOptionTexts texts;
  texts.interval = EditInteval->text();
  texts.inTurn = CheckBoxInTurn->isChecked();
  texts.sendCnt = ComboBoxSendCnt->currentText();
  texts.waitSecond = ComboBoxWait->currentText();
  texts.serverId = MapComboValue(wwDBComboBoxSMTPServer);
  texts.random = CheckBoxRandom->isChecked();
  texts.addName = AddNameToEmailTitleHead;
  texts.emailTitle = EmailTitle;
  SendOptions options;
  QString error;
  if (!ReadSendOptions(texts, options, error)) {
    Interaction::current().showError(error);
    return;
  }
  SendInterval = options.sendInterval;
  InTrun = options.inTurn;
  AfterSendCnt = options.afterSendCnt;
  WaitSecond = options.waitSecond;
  SMTPServerID = options.serverId;
  WaitSecondRandom = options.waitSecondRandom;
  ShowWeb = false;
  // C: the pass.
  if (!list_.isOpen()) return;
  if (list_.count() == 0) {
    Interaction::current().showMessage(SendTexts::NothingToSend);
    return;
  }
  setSending(true);
  engine_->start(list_, options);
}

void TFormSend::stopSend() {
  if (engine_->isRunning()) engine_->requestStop();
}

void TFormSend::sendAgain() {
  if (selectUnsent()) send();
}

void TFormSend::wireEngine() {
  SendEngine *e = engine_.get();
  connect(e, &SendEngine::progressRange, this, [this](int maximum) {
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(0);
  });
  connect(e, &SendEngine::progressed, ProgressBar1, &QProgressBar::setValue);
  connect(e, &SendEngine::currentRowChanged, this, &TFormSend::moveTo);
  connect(e, &SendEngine::statusText, statusPanel0_, &QLabel::setText);
  connect(e, &SendEngine::rowWritten, model_, &SendListModel::rowChanged);
  connect(e, &SendEngine::logLine, Memo1, &QPlainTextEdit::appendPlainText);
  connect(e, &SendEngine::message, this,
          [](const QString &text) { Interaction::current().showMessage(text); });
  // The end runs from the event loop, after the engine has left its loop.
  connect(e, &SendEngine::finished, this, [this](const SendPassResult &result) {
    QMetaObject::invokeMethod(
        this, [this, result] { endOfPass(result); }, Qt::QueuedConnection);
  });
}

void TFormSend::endOfPass(const SendPassResult &result) {
  setSending(false);
  ShowWeb = true;
  if (result.recordFailed) {
    // The mail went out but its row could not be marked: the command ends with the error.
    Interaction::current().showError(result.recordError);
  } else {
    QString error;
    if (!list_.open(DataModule1->ADOQueryAccessComm, error))
      Interaction::current().showError(error);
    model_->reset();
    if (list_.count() > 0) moveTo(0);
    const QString counts = SendTexts::EndOfPass(result.sent, result.failed);
    if (result.failed > 0) {
      Interaction::current().showMessage(counts);
      if (Interaction::current().confirm(SendTexts::RetryQuestion, QString(),
                                         Interaction::Icon::Question, Interaction::Buttons::YesNo,
                                         Interaction::Default::Accept)) {
        Memo1->appendPlainText(SendTexts::RetryLogLine);
        ActionSendAgain->trigger();
      }
    } else {
      Interaction::current().showMessage(counts);
    }
  }
  if (closeAfterPass_ && !isSending()) {
    closeAfterPass_ = false;
    done(QDialog::Rejected);
  }
}
