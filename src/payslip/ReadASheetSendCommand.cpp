// The conversion window's command "群发工资条邮件&S" and its closing: convert the worksheet
// into the batch (or keep the last one), hand it to the send window, close when all went out.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QWidget>

#include "FooterFile.h"
#include "SheetConversion.h"
#include "UfrmReadASheetAndSendIt.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "sending/UfrmSend.h"
#include "widgets/Interaction.h"
#include "widgets/ScreenMetrics.h"
#include "workbook/SpreadsheetInstance.h"

namespace {
// Progress texts are painted at most this often: a large sheet must not spend its time
// repainting the status bar.
constexpr qint64 kPaintIntervalMs = 50;

DbQuery &sharedQuery() { return DataModule1->ADOQueryAccessComm; }

void message(const QString &text) { Interaction::current().showMessage(text); }

// The first field of a count, or false when the query failed.
bool count(const QString &sql, int &value) {
  QString ignored;
  if (!SqlOpen(sql, sharedQuery(), ignored)) return false;
  value = sharedQuery().field(0).toInt();
  return true;
}
}  // namespace

void TFormReadASheetAndSendIt::sendPayslips() {
  if (converting_ || !AnExcel) return;
  if (EditNameCol->text().isEmpty()) {
    message(QStringLiteral("请录入姓名所在列"));
    EditNameCol->setFocus();
    return;
  }
  if (!prepareBatch()) return;

  ShowProgress(QStringLiteral("正在计算需要发送的邮件数量"));
  QString errorText;
  const int inBatch = CountPaySlips(errorText);
  if (inBatch == -1) {
    message(QStringLiteral("无法查询数据，无法发送！") + errorText);
    return;
  }
  int rowsWithoutAddress = 0;
  const bool convert = inBatch == 0;
  if (convert && !convertSheet(rowsWithoutAddress)) return;
  handOver(rowsWithoutAddress, convert ? -1 : inBatch);

  setBusy(false);
  ShowProgress(QStringLiteral("发送过程完毕"));
  DbQuery ADOQueryPaySlip(DataModule1->ADOConnectionAccess);
  QString ignored;
  if (ADOQueryPaySlip.open(QStringLiteral("select * from payslip where send_status=0"), ignored) &&
      ADOQueryPaySlip.eof())
    close();
}

// Keeps a partly sent batch when the user wants to go on with it, else empties the batch.
bool TFormReadASheetAndSendIt::prepareBatch() {
  int total = 0;
  if (!count(QStringLiteral("select count(*) from payslip"), total)) total = 0;
  int unsent = 0;
  if (!count(QStringLiteral("select count(*) from payslip where send_status=false"), unsent))
    return true;  // nothing known about the batch: leave it as it is
  if (unsent < total && Interaction::current().confirm(
                            QStringLiteral("上次发送有未成功邮件，接着按上次状态发送吗？"),
                            QString(), Interaction::Icon::Question, Interaction::Buttons::YesNo))
    return true;
  QString errorText;
  if (!ClearPaySlips(errorText)) {
    message(QStringLiteral("发生系统错误：") + errorText);
    return false;
  }
  return true;
}

bool TFormReadASheetAndSendIt::convertSheet(int &rowsWithoutAddress) {
  SheetConversion conversion(*AnExcel, conversionOptions(), DataModule1->ADOConnectionAccess);
  // A stray value far outside the table makes every payslip huge; ask before storing them.
  const qsizetype firstBytes = conversion.firstPayslipBytes();
  if (firstBytes > kLargePayslipBytes &&
      !Interaction::current().confirm(
          LargePayslipQuestion(*AnExcel, FirstDataRowNumber, firstBytes),
          QStringLiteral("工资条过大"), Interaction::Icon::Warning, Interaction::Buttons::YesNo))
    return false;

  setBusy(true);
  setConverting(true);
  lastPaint_.invalidate();
  ConversionResult result;
  const bool stored = conversion.run(
      [this](ConversionStep step, int row, const QString &address) {
        CurrentRowNumber = row;
        if (lastPaint_.isValid() && lastPaint_.elapsed() < kPaintIntervalMs) return;
        lastPaint_.start();
        progressBar_->setValue(row - FirstDataRowNumber);
        ShowProgress(ConversionStepText(step, row, address));
      },
      result);
  progressBar_->setValue(progressBar_->maximum());
  setConverting(false);
  if (!stored) {
    setBusy(false);
    message(QStringLiteral("发生系统错误！无法写入发送数据库,无法发送邮件！") + result.errorText);
    return false;
  }
  rowsWithoutAddress = result.rowsWithoutAddress;
  return true;
}

// keptBatch: the number of payslips of a kept batch, -1 after a conversion.
void TFormReadASheetAndSendIt::handOver(int rowsWithoutAddress, int keptBatch) {
  const QString summary =
      keptBatch < 0
          ? ConversionSummaryText(MaxRowNumber - FirstDataRowNumber + 1, rowsWithoutAddress)
          : QStringLiteral("接着上次状态发送，本批共") + QString::number(keptBatch) +
                QStringLiteral("条工资条。");
  auto *sendWindow = new TFormSend(this);
  sendWindow->setAttribute(Qt::WA_DeleteOnClose, false);
  sendWindow->EmailTitle = LabeledEditEmailTitle->text();
  sendWindow->setWindowTitle(AnExcel->activeSheetName());
  sendWindow->setSummaryText(summary);
  sendWindow->resize(sendWindow->width(), TallWindowHeight(this));
  Interaction::current().execModal(sendWindow);
  delete sendWindow;
}

void TFormReadASheetAndSendIt::setConverting(bool on) {
  converting_ = on;
  for (QAction *action : {ActionFirst, ActionUp, ActionDown, ActionEnd, ActionSend, ActionClose})
    action->setEnabled(!on);
  for (QWidget *box : {static_cast<QWidget *>(EditFirstDataRowNumber),
                       static_cast<QWidget *>(EditNameCol), static_cast<QWidget *>(Memo1)})
    box->setEnabled(!on);
  if (on) {
    progressBar_->setRange(0, std::max(1, MaxRowNumber - FirstDataRowNumber + 1));
    progressBar_->setValue(0);
  }
  progressBar_->setVisible(on);
}

// The busy pointer stays on over the send window until the send has been handed back.
void TFormReadASheetAndSendIt::setBusy(bool on) {
  if (on == busy_) return;
  busy_ = on;
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (QApplication::overrideCursor())
    QApplication::restoreOverrideCursor();
}

void TFormReadASheetAndSendIt::saveFooter() {
  QString errorText;
  if (!WriteFooterFile(ProgramFolder(), footerLines(), errorText))
    message(QStringLiteral("发生系统错误：") + errorText);
}

void TFormReadASheetAndSendIt::closeEvent(QCloseEvent *event) {
  if (converting_) {
    event->ignore();
    return;
  }
  // A window closed unshown (its preparation failed) keeps the footer too.
  if (!isVisible()) saveFooter();
  QDialog::closeEvent(event);
}

// The window closes through "关闭" or its close box only: a stray Esc must not drop the work.
void TFormReadASheetAndSendIt::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFormReadASheetAndSendIt::done(int result) {
  if (converting_) return;
  saveFooter();
  setBusy(false);
  QDialog::done(result);
}
