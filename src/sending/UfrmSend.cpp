#include "UfrmSend.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "MailTransport.h"
#include "SendEngine.h"
#include "SendListModel.h"
#include "SendOptions.h"
#include "SendPacer.h"
#include "data/Clock.h"
#include "data/Data.h"
#include "widgets/Interaction.h"
#include "widgets/PayslipPreview.h"
#include "widgets/WindowPlacement.h"

namespace {
QCheckBox *checkBox(const char *name, const QString &text, const QString &hint, QWidget *parent) {
  auto *box = new QCheckBox(text, parent);
  box->setObjectName(QLatin1String(name));
  box->setToolTip(hint);
  return box;
}
}  // namespace

TFormSend::TFormSend(QWidget *parent) : QDialog(parent) {
  PlaceOnFirstShow(this, WindowPlacement::MainWindowCentre);
  setObjectName(QStringLiteral("FormSend"));
  // Frees itself when closed; a caller that deletes it after its modal loop may do so too.
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("群发处理-当前工作表"));
  resize(784, 562);
  transport_ = std::make_unique<ThreadedMailTransport>();
  pacer_ = std::make_unique<TimerPacer>();
  engine_ = std::make_unique<SendEngine>(DataModule1->ADOConnectionAccess, Clock::instance(),
                                         *transport_, *pacer_);
  model_ = new SendListModel(list_, this);
  buildActions();

  auto *menu = new QMenuBar(this);
  menu->setObjectName(QStringLiteral("MainMenu1"));
  menu->addAction(ActionSetServer);
  auto *top = new QHBoxLayout;
  auto *serverGroup = new QGroupBox(QStringLiteral("邮件服务器"), this);
  wwDBComboBoxSMTPServer = new QComboBox(serverGroup);
  wwDBComboBoxSMTPServer->setObjectName(QStringLiteral("wwDBComboBoxSMTPServer"));
  wwDBComboBoxSMTPServer->setMinimumWidth(200);
  (new QVBoxLayout(serverGroup))->addWidget(wwDBComboBoxSMTPServer);
  top->addWidget(serverGroup);
  top->addWidget(buildOptions(), 1);

  auto *preview = new QGroupBox(QStringLiteral("内容预览"), this);
  LabelTitle = new QLabel(QStringLiteral("邮件标题"), preview);
  LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
  WebBrowser1 = new PayslipPreview(preview);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  auto *previewLayout = new QVBoxLayout(preview);
  previewLayout->addWidget(LabelTitle);
  previewLayout->addWidget(WebBrowser1, 1);
  auto *results = new QGroupBox(QStringLiteral("发送结果"), this);
  Memo1 = new QPlainTextEdit(results);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setStyleSheet(QStringLiteral("QPlainTextEdit { color: lime; background: black; }"));
  (new QVBoxLayout(results))->addWidget(Memo1);
  auto *right = new QVBoxLayout;
  right->addWidget(preview, 3);
  right->addWidget(results, 1);
  auto *middle = new QHBoxLayout;
  middle->addWidget(buildList(), 0);
  middle->addLayout(right, 1);

  auto *layout = new QVBoxLayout(this);
  layout->setMenuBar(menu);
  layout->addLayout(top);
  layout->addLayout(middle, 1);
  layout->addWidget(buildBottom());
  wireEngine();

  // Creation: the list with every unsent row selected, the accounts, the count boxes, then
  // the options of Mass.ini.
  QString error;
  if (!list_.open(DataModule1->ADOQueryAccessComm, error)) Interaction::current().showError(error);
  model_->reset();
  if (list_.count() > 0) moveTo(0);
  selectUnsent();
  ShowWeb = false;
  fillAccounts();
  ComboBoxSendCnt->addItem(QStringLiteral("5"));
  for (int i = 1; i <= 30; ++i) ComboBoxSendCnt->addItem(QString::number(10 * i));
  ComboBoxSendCnt->setCurrentIndex(3);
  for (int i = 1; i <= 90; ++i) ComboBoxWait->addItem(QString::number(10 * i));
  ComboBoxWait->setCurrentIndex(0);
  applyMassIni();

  for (QWidget *w : findChildren<QWidget *>())
    if (w->focusPolicy() != Qt::NoFocus && w != grid_) w->installEventFilter(this);
}

TFormSend::~TFormSend() = default;

void TFormSend::buildActions() {
  auto make = [this](QAction *&action, const char *name, const QString &text,
                     void (TFormSend::*slot)(), const QString &hint = QString()) {
    action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
  };
  make(ActionSelectAll, "ActionSelectAll", QStringLiteral("全选"), &TFormSend::selectAll);
  make(ActionUnSelectAll, "ActionUnSelectAll", QStringLiteral("全不选"), &TFormSend::unselectAll);
  make(ActionReverseSelection, "ActionReverseSelection", QStringLiteral("反选"),
       &TFormSend::reverseSelection);
  ActionSelectUnSend = new QAction(QStringLiteral("选未发"), this);
  ActionSelectUnSend->setObjectName(QStringLiteral("ActionSelectUnSend"));
  connect(ActionSelectUnSend, &QAction::triggered, this, [this] { selectUnsent(); });
  addAction(ActionSelectUnSend);
  make(ActionSend, "ActionSend", QStringLiteral("发送&S"), &TFormSend::send);
  make(ActionStopSend, "ActionStopSend", QStringLiteral("终止发送&o"), &TFormSend::stopSend);
  make(ActionSendAgain, "ActionSendAgain", QStringLiteral("重发"), &TFormSend::sendAgain,
       QStringLiteral("重发未成功邮件"));
  make(ActionShowWeb, "ActionShowWeb", QStringLiteral("ShowWeb"), &TFormSend::reloadPreview);
  make(ActionSetServer, "ActionSetServer", QStringLiteral("邮件服务器设置"), &TFormSend::setServer);
  ActionStopSend->setEnabled(false);
}

QWidget *TFormSend::buildOptions() {
  auto *group = new QGroupBox(QStringLiteral("邮件发送选项"), this);
  CheckBoxInTurn =
      checkBox("CheckBoxInTurn", QStringLiteral("轮流使用多个邮件服务器发送"),
               QStringLiteral(" 当选择此项时，将轮流使用所有邮件服务器发送邮件。"), group);
  EditInteval = new QSpinBox(group);
  EditInteval->setObjectName(QStringLiteral("EditInteval"));
  EditInteval->setRange(0, 100);
  EditInteval->setSingleStep(1);
  EditInteval->setValue(7);
  CheckBoxRandom = checkBox("CheckBoxRandom", QStringLiteral("随机"),
                            QStringLiteral("随机生成每封时间间隔。"), group);
  auto countBox = [group](const char *name, const QString &hint) {
    auto *box = new QComboBox(group);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setToolTip(hint);
    return box;
  };
  ComboBoxSendCnt =
      countBox("ComboBoxSendCnt",
               QStringLiteral("设置发送多少封邮件之后再次等待更长时间，避免被服务器屏蔽。"));
  ComboBoxWait =
      countBox("ComboBoxWait",
               QStringLiteral("设置发送前面设置数量邮件之后要等待多长时间，避免被服务器屏蔽。"));
  CheckBoxAddNameToEmailTitle =
      checkBox("CheckBoxAddNameToEmailTitle", QStringLiteral("发送时将姓名加到邮件标题首部"),
               QStringLiteral("选中此项会自动将姓名增加到邮件标题中。"), group);
  connect(CheckBoxAddNameToEmailTitle, &QCheckBox::toggled, this, [this](bool on) {
    AddNameToEmailTitleHead = on;
    ShowTitle();
  });

  auto *rowOne = new QHBoxLayout;
  rowOne->addWidget(CheckBoxInTurn);
  rowOne->addSpacing(16);
  rowOne->addWidget(new QLabel(QStringLiteral("发送邮件时间间隔(秒)"), group));
  rowOne->addWidget(EditInteval);
  rowOne->addWidget(CheckBoxRandom);
  rowOne->addStretch();
  auto *rowTwo = new QHBoxLayout;
  rowTwo->addWidget(new QLabel(QStringLiteral("每发送"), group));
  rowTwo->addWidget(ComboBoxSendCnt);
  rowTwo->addWidget(new QLabel(QStringLiteral("封后等待"), group));
  rowTwo->addWidget(ComboBoxWait);
  rowTwo->addWidget(new QLabel(QStringLiteral("秒"), group));
  rowTwo->addSpacing(16);
  rowTwo->addWidget(CheckBoxAddNameToEmailTitle);
  rowTwo->addStretch();
  auto *layout = new QVBoxLayout(group);
  layout->addLayout(rowOne);
  layout->addLayout(rowTwo);
  return group;
}

QWidget *TFormSend::buildList() {
  auto *group = new QGroupBox(QStringLiteral("发送列表"), this);
  auto *navigator = new QToolBar(group);
  navigator->setObjectName(QStringLiteral("wwDBNavigator1"));
  const struct {
    const char *name;
    const char *text;
    const char *hint;
    int step;
  } moves[] = {{"NavigatorFirst", "|◀", "移动到第一条记录", -1000000},
               {"NavigatorPriorPage", "◀◀", "上一页", -2},
               {"NavigatorPrior", "◀", "上一条", -1},
               {"NavigatorNext", "▶", "下一条", 1},
               {"NavigatorNextPage", "▶▶", "下一页", 2},
               {"NavigatorLast", "▶|", "移动到最后一条记录", 1000000}};
  for (const auto &m : moves) {
    QAction *a = navigator->addAction(QString::fromUtf8(m.text));
    a->setObjectName(QLatin1String(m.name));
    a->setToolTip(QString::fromUtf8(m.hint));
    const int step = m.step;
    connect(a, &QAction::triggered, this, [this, step] {
      const int page = qMax(
          1, grid_->viewport()->height() / qMax(1, grid_->verticalHeader()->defaultSectionSize()));
      const int by = step == 2 || step == -2 ? step / 2 * page : step;
      if (list_.count() > 0) moveTo(qBound(0, qMax(0, currentRow()) + by, list_.count() - 1));
    });
    navigation_ << a;
  }
  for (QAction *a :
       {ActionSelectAll, ActionUnSelectAll, ActionReverseSelection, ActionSelectUnSend})
    navigator->addAction(a);

  grid_ = new QTableView(group);
  grid_->setObjectName(QStringLiteral("wwDBGrid1"));
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setWordWrap(true);
  grid_->verticalHeader()->setVisible(true);
  const int digit = grid_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const int widths[] = {12, 11, 23, 7};
  // Room for the row indicator, the frame and a vertical scroll bar beside the four columns.
  int total = grid_->verticalHeader()->sizeHint().width() +
              grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * grid_->frameWidth() +
              32;
  for (int c = 0; c < SendListModel::ColumnCount; ++c) {
    grid_->setColumnWidth(c, widths[c] * digit + 8);
    total += widths[c] * digit + 8;
  }
  group->setMinimumWidth(total);
  connect(grid_, &QTableView::clicked, this, [this](const QModelIndex &index) {
    if (index.column() == SendListModel::Selected) toggleRow(index.row());
  });
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex &now, const QModelIndex &before) {
            showSelectionCount();
            if (ShowWeb && now.row() != before.row()) {
              ShowTitle();
              reloadPreview();
            }
          });
  auto *layout = new QVBoxLayout(group);
  layout->addWidget(navigator);
  layout->addWidget(grid_, 1);
  return group;
}

QWidget *TFormSend::buildBottom() {
  auto *bottom = new QWidget(this);
  bottomPanel_ = new QWidget(bottom);
  bottomPanel_->setObjectName(QStringLiteral("PanelBottom"));
  bottomPanel_->setFixedHeight(48);
  bottomPanel_->installEventFilter(this);
  ButtonSend = new QPushButton(ActionSend->text(), bottomPanel_);
  ButtonSend->setObjectName(QStringLiteral("ButtonSend"));
  QFont bold = ButtonSend->font();
  bold.setBold(true);
  ButtonSend->setFont(bold);
  ButtonSend->setIcon(QIcon(QStringLiteral(":/icons/continue.svg")));
  ButtonSend->setIconSize(QSize(24, 24));
  ButtonSend->setFixedSize(130, 38);
  ButtonSend->setAutoDefault(false);
  connect(ButtonSend, &QPushButton::clicked, ActionSend, &QAction::trigger);
  ButtonStopSend = new QPushButton(ActionStopSend->text(), bottomPanel_);
  ButtonStopSend->setObjectName(QStringLiteral("ButtonStopSend"));
  ButtonStopSend->setFont(bold);
  ButtonStopSend->setFixedSize(130, 38);
  ButtonStopSend->setAutoDefault(false);
  ButtonStopSend->setVisible(false);
  connect(ButtonStopSend, &QPushButton::clicked, ActionStopSend, &QAction::trigger);
  for (QAction *a : {ActionSend, ActionStopSend}) {
    connect(a, &QAction::changed, this, [this] {
      ButtonSend->setEnabled(ActionSend->isEnabled());
      ButtonStopSend->setEnabled(ActionStopSend->isEnabled());
    });
  }

  ProgressBar1 = new QProgressBar(bottom);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setValue(0);
  auto *status = new QStatusBar(bottom);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setSizeGripEnabled(false);
  statusPanel0_ = new QLabel(status);
  statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
  statusPanel0_->setFixedWidth(500);
  statusPanel1_ = new QLabel(status);
  statusPanel1_->setObjectName(QStringLiteral("StatusPanel1"));
  statusPanel1_->setFixedWidth(50);
  status->addWidget(statusPanel0_);
  status->addWidget(statusPanel1_);
  auto *layout = new QVBoxLayout(bottom);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bottomPanel_);
  layout->addWidget(ProgressBar1);
  layout->addWidget(status);
  return bottom;
}

// The send button stays centred; the stop button stands beside it during a pass.
void TFormSend::placeSendButtons() {
  const int left = qRound((bottomPanel_->width() - ButtonSend->width()) / 2.0);
  const int top = (bottomPanel_->height() - ButtonSend->height()) / 2;
  ButtonSend->move(left, top);
  ButtonStopSend->move(left + ButtonSend->width() + 12, top);
}

void TFormSend::setSummaryText(const QString &text) { statusPanel0_->setText(text); }

QString TFormSend::GetCurrentName() const {
  const int row = currentRow();
  return list_.isOpen() && row >= 0 && row < list_.count() ? list_.row(row).f2 : QString();
}

QString TFormSend::GetTitleWithName() const {
  return ::GetTitleWithName(GetCurrentName(), EmailTitle);
}

void TFormSend::ShowTitle() {
  LabelTitle->setText(QStringLiteral("邮件标题：") +
                      (AddNameToEmailTitleHead ? GetTitleWithName() : EmailTitle));
}

void TFormSend::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  placeSendButtons();
  if (ShowWeb || isSending()) return;
  ShowWeb = true;
  ShowTitle();
  ActionShowWeb->trigger();
}

void TFormSend::done(int result) {
  // Closing while a pass runs takes effect when it has finished.
  if (isSending()) {
    closeAfterPass_ = true;
    return;
  }
  writeMassIni();
  QDialog::done(result);
}

void TFormSend::resizeEvent(QResizeEvent *event) {
  QDialog::resizeEvent(event);
  placeSendButtons();
}

bool TFormSend::eventFilter(QObject *watched, QEvent *event) {
  if (watched == bottomPanel_ && event->type() == QEvent::Resize) placeSendButtons();
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    // Enter moves on to the next control, as Tab does (the list keeps its own keys).
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
