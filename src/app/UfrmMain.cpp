#include "UfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "AppWindows.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "mailservers/ProviderDirectoryUpdate.h"
#include "services/MakerSite.h"
#include "services/RemoteFiles.h"
#include "services/UpgradeNotice.h"
#include "threads/BackgroundThread.h"
#include "widgets/BackgroundPanel.h"
#include "widgets/Interaction.h"
#include "widgets/LinkLabel.h"
#include "widgets/ScreenMetrics.h"
#include "widgets/WindowPlacement.h"

const char *const kOpenDatabaseError = "打开数据库错误：";

namespace {
const QString kCannotContinue = QStringLiteral("无法继续操作！");

QIcon icon(const char *name) {
  return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}
}  // namespace

TFormMain::TFormMain(QWidget *parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QApplication::applicationName());
  PlaceOnFirstShow(this, WindowPlacement::DesktopCentre);
  setWindowIcon(icon("app"));
  buildActions();
  buildMenu();
  buildContent();

  StartBackgroundThread("upgrade-check", [] { CheckForUpgrade(); });
  StartBackgroundThread("ad-download", [] { DownloadAdFile(); });
}

void TFormMain::buildActions() {
  auto make = [this](QAction *&action, const char *name, const QString &text, auto slot) {
    action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
  };
  make(ActionLoadSalaryExcelFile, "ActionLoadSalaryExcelFile",
       QStringLiteral("读入工资表开始新的发送&R"), &TFormMain::loadSalaryExcelFile);
  make(ActionContinue, "ActionContinue", QStringLiteral("继续上次未完成发送&C"),
       &TFormMain::continueLastSend);
  make(ActionSetSMTPServer, "ActionSetSMTPServer", QStringLiteral("邮件服务器设置"),
       &TFormMain::setSmtpServer);
  make(ActionHelp, "ActionHelp", QStringLiteral("帮助信息"), &TFormMain::help);
  make(ActionAdmire, "ActionAdmire", QStringLiteral("赞赏&A"),
       [this] { showRegisteredWindow(AppWindow::Admire); });
  make(ActionSendMe, "ActionSendMe", QStringLiteral("问题反馈"),
       [this] { showRegisteredWindow(AppWindow::SendMe); });
  make(ActionAbout, "ActionAbout", QStringLiteral("关于"),
       [this] { showRegisteredWindow(AppWindow::About); });

  // A command without a registered window (a test that registers only some) is shown disabled.
  ActionLoadSalaryExcelFile->setEnabled(static_cast<bool>(RegisteredImportCommand()));
  ActionSetSMTPServer->setEnabled(static_cast<bool>(RegisteredWindow(AppWindow::SetSMTPServer)));
  ActionAdmire->setEnabled(static_cast<bool>(RegisteredWindow(AppWindow::Admire)));
  ActionSendMe->setEnabled(static_cast<bool>(RegisteredWindow(AppWindow::SendMe)));
  ActionAbout->setEnabled(static_cast<bool>(RegisteredWindow(AppWindow::About)));
}

void TFormMain::buildMenu() {
  QMenu *settings = menuBar()->addMenu(QStringLiteral("设置"));
  settings->setObjectName(QStringLiteral("MenuSettings"));
  settings->addAction(ActionSetSMTPServer);
  QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("帮助"));
  helpMenu->setObjectName(QStringLiteral("MenuHelp"));
  helpMenu->addAction(ActionHelp);
  helpMenu->addSeparator();
  helpMenu->addAction(ActionAdmire);
  helpMenu->addSeparator();
  helpMenu->addAction(ActionSendMe);
  helpMenu->addAction(ActionAbout);
}

void TFormMain::buildContent() {
  auto *panel = new BackgroundPanel(QStringLiteral(":/pictures/background.svg"), this);
  panel->setObjectName(QStringLiteral("Background"));
  panel->setFixedSize(784, 542);
  setCentralWidget(panel);

  auto *title = new QLabel(QStringLiteral("Excel工资表秒变工资条"), panel);
  title->setObjectName(QStringLiteral("LabelTitle"));
  title->setAlignment(Qt::AlignCenter);
  title->setStyleSheet(QStringLiteral(
      "color: silver; font-size: 34px; font-weight: bold; background: transparent;"));
  auto *subtitle = new QLabel(QStringLiteral("智能导入   一键发送"), panel);
  subtitle->setObjectName(QStringLiteral("LabelSubtitle"));
  subtitle->setAlignment(Qt::AlignCenter);
  subtitle->setStyleSheet(
      QStringLiteral("color: silver; font-size: 20px; background: transparent;"));

  const QString buttonStyle = QStringLiteral(
      "QPushButton { font-size: 20px; color: #1d3557; background: rgba(255,255,255,235);"
      " border: 1px solid #9fb3c8; border-radius: 10px; padding: 10px 24px; text-align: left; }"
      "QPushButton:hover { background: #ffffff; border-color: #2f6fad; }"
      // The keyboard focus as a thick frame (the padding keeps the text in place), so a user
      // who tabs sees which button Enter presses.
      "QPushButton:focus { border: 3px solid #1f5fa8; padding: 8px 22px; }"
      "QPushButton:pressed { background: #e6eef7; }"
      "QPushButton:disabled { color: #8a98a8; }");
  auto makeButton = [&](QPushButton *&button, const char *name, QAction *action,
                        const char *iconName) {
    button = new QPushButton(action->text(), panel);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon(iconName));
    button->setIconSize(QSize(48, 48));
    button->setFixedSize(420, 76);
    button->setStyleSheet(buttonStyle);
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(true);  // Enter presses the focused button, as in a dialog
    button->setEnabled(action->isEnabled());
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button,
            [button, action] { button->setEnabled(action->isEnabled()); });
  };
  makeButton(ButtonLoad, "ButtonLoad", ActionLoadSalaryExcelFile, "load");
  ButtonLoad->setToolTip(QStringLiteral("从Excel格式工资表自动生成工资条并群发到到电子邮箱。"));
  makeButton(ButtonContinue, "ButtonContinue", ActionContinue, "continue");

  auto *formatLink = new LinkLabel(QStringLiteral("工资表格式要求"), panel);
  formatLink->setObjectName(QStringLiteral("LabelFormatRequirements"));
  connect(formatLink, &LinkLabel::clicked, this, &TFormMain::showFormatRequirements);
  auto *sampleLink = new LinkLabel(QStringLiteral("工资表样例 "), panel);
  sampleLink->setObjectName(QStringLiteral("LabelSampleWorkbook"));
  connect(sampleLink, &LinkLabel::clicked, this, &TFormMain::openSampleWorkbook);

  auto *links = new QHBoxLayout;
  links->addStretch();
  links->addWidget(formatLink);
  links->addSpacing(36);
  links->addWidget(sampleLink);
  links->addStretch();

  auto *layout = new QVBoxLayout(panel);
  layout->setContentsMargins(40, 56, 40, 36);
  layout->addWidget(title);
  layout->addSpacing(6);
  layout->addWidget(subtitle);
  layout->addStretch(2);
  layout->addWidget(ButtonLoad, 0, Qt::AlignHCenter);
  layout->addSpacing(22);
  layout->addWidget(ButtonContinue, 0, Qt::AlignHCenter);
  layout->addSpacing(26);
  layout->addLayout(links);
  layout->addStretch(3);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  setStatusBar(StatusBar1);
  layout->setSizeConstraint(QLayout::SetDefaultConstraint);
  adjustSize();
  setFixedSize(sizeHint());
}

void TFormMain::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // After the window has painted, so the message (if any) appears over a finished window.
  QTimer::singleShot(0, this, &TFormMain::openDatabaseOnFirstShow);
}

void TFormMain::openDatabaseOnFirstShow() {
  QString error;
  if (!OpenPayslipDatabase(error)) {
    Interaction::current().showMessage(QString::fromUtf8(kOpenDatabaseError) + error +
                                       QLatin1Char('\r') + kCannotContinue);
  }
  StartBackgroundThread("provider-directory",
                        [] { RefreshProviderDirectory(ProviderDirectoryMode::IfEmpty); });
}

void TFormMain::showRegisteredWindow(AppWindow window) {
  WindowFactory factory = RegisteredWindow(window);
  if (!factory) return;
  QDialog *dialog = factory(this);
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  if (window == AppWindow::Send) dialog->resize(dialog->width(), TallWindowHeight(this));
  Interaction::current().execModal(dialog);
  delete dialog;
}

void TFormMain::loadSalaryExcelFile() {
  if (ImportCommand command = RegisteredImportCommand()) command(this);
}

void TFormMain::continueLastSend() {
  QString error;
  DbQuery &query = DataModule1->ADOQueryAccessComm;
  if (SqlOpen(QStringLiteral("select count(*) from payslip where send_status=false"), query,
              error) &&
      query.field(0).toInt() == 0) {
    Interaction::current().showMessage(QStringLiteral("未发现有上次未完成发送！"));
    return;
  }
  // The count failed or found unsent payslips: the send list shows what there is.
  showRegisteredWindow(AppWindow::Send);
}

void TFormMain::setSmtpServer() {
  QString error;
  if (!OpenPayslipDatabase(error)) {
    Interaction::current().showMessage(QString::fromUtf8(kOpenDatabaseError) + error +
                                       QLatin1Char('\r') + kCannotContinue);
    return;
  }
  showRegisteredWindow(AppWindow::SetSMTPServer);
}

void TFormMain::help() { Interaction::current().openExternally(HelpPageUrl()); }

void TFormMain::showFormatRequirements() {
  Interaction::current().showMessage(
      QStringLiteral("1、除表头外，每一行必须包含接收人电子邮箱地址;") + QLatin1Char('\r') +
      QStringLiteral("2、文件格式为Excel格式;"));
  // The help page on payroll layout says the same at length, with examples.
  Interaction::current().openExternally(HelpPageUrl(QStringLiteral("format.html")));
}

void TFormMain::openSampleWorkbook() {
  const QString path = ProgramFolder() + QStringLiteral("工资表样例.xls");
  if (!QFileInfo::exists(path)) {
    Interaction::current().messageBox(QStringLiteral("没有找到工资表样例，请确认软件的完整性！ "),
                                      QStringLiteral("提示"), Interaction::Icon::Error);
    return;
  }
  Interaction::current().showMessage(QStringLiteral(
      "注意：此样例只是一个例子，不要求必须和样例表完全相同，只要遵循工资表格式要求就可以！"));
  Interaction::current().openExternally(QUrl::fromLocalFile(path));
}
