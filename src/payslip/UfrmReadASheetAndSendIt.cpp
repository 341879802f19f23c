#include "UfrmReadASheetAndSendIt.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "FooterFile.h"
#include "PaySlipInsert.h"
#include "SheetConversion.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "sending/MailOperations.h"
#include "widgets/Interaction.h"
#include "widgets/PayslipPreview.h"
#include "widgets/ScreenMetrics.h"
#include "widgets/WindowPlacement.h"
#include "workbook/SheetLayout.h"
#include "workbook/SpreadsheetInstance.h"

namespace {
const QString kCannotSend = QStringLiteral("无法群发继续操作！");
const QString kSystemError = QStringLiteral("发生系统错误：");

DbQuery &sharedQuery() { return DataModule1->ADOQueryAccessComm; }

void message(const QString &text) { Interaction::current().showMessage(text); }

QLineEdit *digitsEdit(const char *name, QWidget *parent) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  edit->setMaximumWidth(60);
  return edit;
}
}  // namespace

TFormReadASheetAndSendIt::TFormReadASheetAndSendIt(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormReadASheetAndSendIt"));
  buildActions();
  buildContent();
  resize(784, 562);
  // Centred on the desktop at the height the opener gives it.
  PlaceOnFirstShow(this, WindowPlacement::DesktopCentre);

  const QStringList footer = ReadFooterFile(ProgramFolder());
  Memo1->setPlainText(footer.join(QLatin1Char('\n')));
  QString errorText;
  if (!ClearPaySlips(errorText)) {
    message(kSystemError + errorText);
    return;
  }
  const int sentToday = GetTodaySendCount(sharedQuery());
  if (sentToday > 0) {
    progressPanel_->setText(QStringLiteral("今日已经发送工资条邮件") + QString::number(sentToday) +
                            QStringLiteral("封。"));
  }
}

void TFormReadASheetAndSendIt::buildActions() {
  auto make = [this](QAction *&action, const char *name, const QString &text,
                     QStyle::StandardPixmap icon, auto slot) {
    action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(text);
    if (icon != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(icon));
    connect(action, &QAction::triggered, this, slot);
  };
  make(ActionFirst, "ActionFirst", QStringLiteral("第一条"), QStyle::SP_MediaSkipBackward,
       [this] { moveTo(FirstDataRowNumber); });
  make(ActionUp, "ActionUp", QStringLiteral("上一条"), QStyle::SP_MediaSeekBackward, [this] {
    int row = CurrentRowNumber;
    if (row > FirstDataRowNumber) --row;
    if (row < FirstDataRowNumber) row = FirstDataRowNumber;
    moveTo(row);
  });
  make(ActionDown, "ActionDown", QStringLiteral("下一条"), QStyle::SP_MediaSeekForward, [this] {
    int row = CurrentRowNumber;
    if (row < MaxRowNumber) ++row;
    if (row > MaxRowNumber) row = FirstDataRowNumber;
    moveTo(row);
  });
  make(ActionEnd, "ActionEnd", QStringLiteral("最后一条"), QStyle::SP_MediaSkipForward,
       [this] { moveTo(MaxRowNumber); });
  make(ActionSend, "ActionSend", QStringLiteral("群发工资条邮件&S"), QStyle::SP_CustomBase,
       &TFormReadASheetAndSendIt::sendPayslips);
  ActionSend->setShortcut(QKeySequence(QStringLiteral("Alt+S")));
  addAction(ActionSend);
  make(ActionClose, "ActionClose", QStringLiteral("关闭"), QStyle::SP_CustomBase,
       [this] { close(); });
}

QWidget *TFormReadASheetAndSendIt::buildAnalysisGroup() {
  auto *group = new QGroupBox(QStringLiteral("工资表解析"), this);
  group->setObjectName(QStringLiteral("GroupBoxAnalysis"));
  EditFirstDataRowNumber = digitsEdit("EditFirstDataRowNumber", group);
  EditFirstDataRowNumber->setText(QStringLiteral("1"));
  EditFirstDataRowNumber->installEventFilter(this);
  LabelDataCnt = new QLabel(group);
  LabelDataCnt->setObjectName(QStringLiteral("LabelDataCnt"));
  EditNameCol = digitsEdit("EditNameCol", group);
  QFont bold = EditNameCol->font();
  bold.setBold(true);
  EditNameCol->setFont(bold);

  auto *row = new QHBoxLayout(group);
  row->addWidget(new QLabel(QStringLiteral("数据自第"), group));
  row->addWidget(EditFirstDataRowNumber);
  row->addWidget(new QLabel(QStringLiteral("行开始，"), group));
  row->addWidget(LabelDataCnt);
  row->addStretch();
  row->addWidget(new QLabel(QStringLiteral("姓名位于第"), group));
  row->addWidget(EditNameCol);
  row->addWidget(new QLabel(QStringLiteral("列"), group));
  return group;
}

QWidget *TFormReadASheetAndSendIt::buildStyleGroup() {
  auto *group = new QGroupBox(QStringLiteral("工资条样式"), this);
  group->setObjectName(QStringLiteral("GroupBoxStyle"));
  auto *orientation = new QGroupBox(QStringLiteral("工资条方向"), group);
  orientation->setObjectName(QStringLiteral("RadioGroup1"));
  horizontal_ = new QRadioButton(QStringLiteral("横向"), orientation);
  horizontal_->setObjectName(QStringLiteral("RadioGroup1Horizontal"));
  horizontal_->setChecked(true);
  vertical_ = new QRadioButton(QStringLiteral("纵向"), orientation);
  vertical_->setObjectName(QStringLiteral("RadioGroup1Vertical"));
  auto *choices = new QHBoxLayout(orientation);
  choices->addWidget(horizontal_);
  choices->addWidget(vertical_);
  for (QRadioButton *button : {horizontal_, vertical_})
    connect(button, &QRadioButton::clicked, this, &TFormReadASheetAndSendIt::RefreshPreview);

  CheckBoxShowEmail = new QCheckBox(QStringLiteral("显示电子邮箱"), group);
  CheckBoxShowEmail->setObjectName(QStringLiteral("CheckBoxShowEmail"));
  connect(CheckBoxShowEmail, &QCheckBox::clicked, this, &TFormReadASheetAndSendIt::RefreshPreview);
  LabeledEditEmailTitle = new QLineEdit(group);
  LabeledEditEmailTitle->setObjectName(QStringLiteral("LabeledEditEmailTitle"));

  auto *row = new QHBoxLayout(group);
  row->addWidget(orientation);
  row->addWidget(CheckBoxShowEmail);
  row->addSpacing(12);
  row->addWidget(new QLabel(QStringLiteral("邮件标题"), group));
  row->addWidget(LabeledEditEmailTitle, 1);
  return group;
}

void TFormReadASheetAndSendIt::buildContent() {
  auto *menu = new QMenuBar(this);
  menu->setObjectName(QStringLiteral("MainMenu1"));
  menu->addAction(ActionClose);

  auto *tools = new QToolBar(this);
  tools->setObjectName(QStringLiteral("ToolBar1"));
  tools->addActions({ActionFirst, ActionUp, ActionDown, ActionEnd});

  auto *previewGroup = new QGroupBox(QStringLiteral("工资条预览"), this);
  previewGroup->setObjectName(QStringLiteral("GroupBoxPreview"));
  WebBrowser1 = new PayslipPreview(previewGroup);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  WebBrowser1->setToolTip(QStringLiteral("工资条样式预览"));
  auto *previewLayout = new QVBoxLayout(previewGroup);
  previewLayout->setContentsMargins(4, 4, 4, 4);
  previewLayout->addWidget(WebBrowser1);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setToolTip(QStringLiteral("提示：可在此更改邮件落款"));
  Memo1->setFixedHeight(72);
  auto *footerRow = new QHBoxLayout;
  footerRow->addWidget(new QLabel(QStringLiteral("邮件落款"), this), 0, Qt::AlignTop);
  footerRow->addWidget(Memo1, 1);

  bottomPanel_ = new QWidget(this);
  bottomPanel_->setObjectName(QStringLiteral("PanelBottom"));
  bottomPanel_->setFixedHeight(44);
  bottomPanel_->installEventFilter(this);
  ButtonSend = new QPushButton(ActionSend->text(), bottomPanel_);
  ButtonSend->setObjectName(QStringLiteral("ButtonSend"));
  QFont bold = ButtonSend->font();
  bold.setBold(true);
  ButtonSend->setFont(bold);
  ButtonSend->setFixedSize(180, 34);
  // Enter in a box must not start a conversion.
  ButtonSend->setAutoDefault(false);
  ButtonSend->move(0, 5);
  connect(ButtonSend, &QPushButton::clicked, ActionSend, &QAction::trigger);
  connect(ActionSend, &QAction::changed, ButtonSend,
          [this] { ButtonSend->setEnabled(ActionSend->isEnabled()); });

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  summaryPanel_ = new QLabel(StatusBar1);
  summaryPanel_->setObjectName(QStringLiteral("StatusPanel0"));
  summaryPanel_->setFixedWidth(300);
  progressPanel_ = new QLabel(
      QStringLiteral("提示：您可以在此处确认工资条解析是否正确以及更改工资条样式。"), StatusBar1);
  progressPanel_->setObjectName(QStringLiteral("StatusPanel1"));
  progressBar_ = new QProgressBar(StatusBar1);
  progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar_->setMaximumWidth(160);
  progressBar_->hide();
  StatusBar1->addWidget(summaryPanel_);
  StatusBar1->addWidget(progressPanel_, 1);
  StatusBar1->addPermanentWidget(progressBar_);

  auto *layout = new QVBoxLayout(this);
  layout->setMenuBar(menu);
  layout->setContentsMargins(6, 0, 6, 0);
  layout->addWidget(buildAnalysisGroup());
  layout->addWidget(buildStyleGroup());
  layout->addWidget(tools);
  layout->addWidget(previewGroup, 1);
  layout->addLayout(footerRow);
  layout->addWidget(bottomPanel_);
  layout->addWidget(StatusBar1);
}

bool TFormReadASheetAndSendIt::PrePareSend(SpreadsheetInstance &AnSalaryExcel,
                                           int FirstDataRowNumber_, int EmailCol,
                                           const QString &SalaryFileName_) {
  setWindowTitle(QStringLiteral("正在解析工资表：") + AnSalaryExcel.activeSheetName());
  const int lastRow = AnSalaryExcel.usedLastRow();
  EditFirstDataRowNumber->setText(QString::number(FirstDataRowNumber_));
  EmailColumnNumber = EmailCol;
  const QString summary = LayoutSummaryText(lastRow, FirstDataRowNumber_, EmailCol);
  LabelDataCnt->setText(summary);
  summaryPanel_->setText(summary);
  AnExcel = &AnSalaryExcel;
  FirstDataRowNumber = FirstDataRowNumber_;
  MaxRowNumber = lastRow;
  CurrentRowNumber = FirstDataRowNumber;
  SalaryFileName = SalaryFileName_;
  LabeledEditEmailTitle->setText(ProposedMailTitle(AnSalaryExcel, SalaryFileName_));

  bool result = false;
  QString errorText;
  if (!OpenPayslipDatabase(errorText)) {
    message(QStringLiteral("打开数据库错误：") + errorText + QLatin1Char('\r') + kCannotSend);
  } else if (!ClearPaySlips(errorText)) {
    message(QStringLiteral("清空数据库错误：") + errorText + QLatin1Char('\r') + kCannotSend);
    return false;
  } else {
    result = true;
  }
  EditNameCol->clear();
  const int nameColumn = FindNameColumn(AnSalaryExcel, FirstDataRowNumber_);
  if (nameColumn > 0) EditNameCol->setText(QString::number(nameColumn));
  return result;
}

bool TFormReadASheetAndSendIt::ClearPaySlips(QString &errorText) {
  return SqlExec(QStringLiteral("delete from payslip"), sharedQuery(), errorText);
}

bool TFormReadASheetAndSendIt::GetRowEmail(QString &address) const {
  return AnExcel && ::GetRowEmail(*AnExcel, CurrentRowNumber, address);
}

int TFormReadASheetAndSendIt::CountPaySlips(QString &errorText) {
  if (!SqlOpen(QStringLiteral("select count(*) from payslip"), sharedQuery(), errorText)) return -1;
  return sharedQuery().field(0).toInt();
}

bool TFormReadASheetAndSendIt::SavePaySlip(int row, const QString &document, QString &errorText) {
  if (!AnExcel) return false;
  PaySlipInsert insert(sharedQuery());
  return insert.save(*AnExcel, row, nameColumn(), document, errorText);
}

int TFormReadASheetAndSendIt::nameColumn() const {
  return EditNameCol->text().isEmpty() ? 2 : EditNameCol->text().toInt();
}

QStringList TFormReadASheetAndSendIt::footerLines() const {
  const QString text = Memo1->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

ConversionOptions TFormReadASheetAndSendIt::conversionOptions() const {
  ConversionOptions o;
  o.FirstDataRowNumber = FirstDataRowNumber;
  o.MaxRowNumber = MaxRowNumber;
  o.EmailColumnNumber = EmailColumnNumber;
  o.NameColumnNumber = nameColumn();
  o.vertical = vertical_->isChecked();
  o.showEmail = CheckBoxShowEmail->isChecked();
  o.footerLines = footerLines();
  o.programFolder = ProgramFolder();
  return o;
}

void TFormReadASheetAndSendIt::RefreshPreview() {
  if (!AnExcel) return;
  WebBrowser1->showDocument(BuildPayslipDocument(*AnExcel, conversionOptions(), CurrentRowNumber));
}

void TFormReadASheetAndSendIt::ShowProgress(const QString &text) {
  progressPanel_->setText(text);
  QCoreApplication::processEvents();
}

void TFormReadASheetAndSendIt::moveTo(int row) {
  CurrentRowNumber = row;
  RefreshPreview();
}

void TFormReadASheetAndSendIt::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  CurrentRowNumber = FirstDataRowNumber;
  RefreshPreview();
}

bool TFormReadASheetAndSendIt::eventFilter(QObject *watched, QEvent *event) {
  if (watched == EditFirstDataRowNumber && event->type() == QEvent::FocusOut) {
    // Only when the user leaves the box, not when a message or another window takes over.
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) firstDataRowLeft();
  } else if (watched == bottomPanel_ && event->type() == QEvent::Resize) {
    ButtonSend->move((bottomPanel_->width() - ButtonSend->width()) / 2, ButtonSend->y());
  }
  return QDialog::eventFilter(watched, event);
}

void TFormReadASheetAndSendIt::firstDataRowLeft() {
  if (checkingFirstRow_) return;
  bool ok = false;
  const int row = EditFirstDataRowNumber->text().toInt(&ok);
  if (!ok) return;
  if (row > 0) {
    FirstDataRowNumber = row;
    RefreshPreview();
    return;
  }
  checkingFirstRow_ = true;
  message(QStringLiteral("起始行必须大于0！"));
  checkingFirstRow_ = false;
  QTimer::singleShot(0, EditFirstDataRowNumber,
                     [edit = EditFirstDataRowNumber] { edit->setFocus(Qt::OtherFocusReason); });
}
