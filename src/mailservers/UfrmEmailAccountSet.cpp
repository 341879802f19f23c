#include "UfrmEmailAccountSet.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "AccountInsert.h"
#include "ProviderDirectoryUpdate.h"
#include "ProviderLookup.h"
#include "UfrmTestSMTPServer.h"
#include "data/Data.h"
#include "threads/BackgroundThread.h"
#include "widgets/Interaction.h"
#include "widgets/WindowPlacement.h"

namespace {
// The balloon hints hide themselves after this long.
constexpr int kBalloonHintMs = 10000;
const char kNoServer[] = "请录入SMTP服务器信息！";
}  // namespace

TFormEmailAccountSet::TFormEmailAccountSet(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormEmailAccountSet"));
  setWindowTitle(QStringLiteral("邮箱账号设置"));
  setFont(QFont(QStringLiteral("宋体")));
  resize(784, 562);
  PlaceOnFirstShow(this, WindowPlacement::MainWindowCentre);
  buildControls();
  fillProviderNames();
  // Sees every key before the controls do, so Enter can move the focus as Tab does.
  qApp->installEventFilter(this);
}

TFormEmailAccountSet::~TFormEmailAccountSet() { qApp->removeEventFilter(this); }

void TFormEmailAccountSet::buildControls() {
  const auto edit = [this](QLineEdit *&field, const char *name) {
    field = new QLineEdit(this);
    field->setObjectName(QLatin1String(name));
  };
  edit(LabeledEditEmail, "LabeledEditEmail");
  edit(LabeledEditLoginName, "LabeledEditLoginName");
  LabeledEditLoginName->setToolTip(QStringLiteral("SMTP服务器的登录名"));
  edit(LabeledEditPassword, "LabeledEditPassword");
  LabeledEditPassword->setEchoMode(QLineEdit::Password);
  LabeledEditPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*'
  ComboBoxEmailType = new QComboBox(this);
  ComboBoxEmailType->setObjectName(QStringLiteral("ComboBoxEmailType"));
  ComboBoxEmailType->addItems({QStringLiteral("个人邮箱"), QStringLiteral("企业邮箱")});
  ComboBoxEmailType->setCurrentIndex(-1);
  ComboBoxEmailBoxName = new QComboBox(this);
  ComboBoxEmailBoxName->setObjectName(QStringLiteral("ComboBoxEmailBoxName"));
  ComboBoxEmailBoxName->setEditable(true);
  ComboBoxEmailBoxName->setInsertPolicy(QComboBox::NoInsert);
  edit(LabeledEditSMTP, "LabeledEditSMTP");
  LabeledEditSMTP->setToolTip(QStringLiteral("用户邮箱的SMTP服务器地址，例如smtp.qq.com"));
  ComboBoxPort = new QComboBox(this);
  ComboBoxPort->setObjectName(QStringLiteral("ComboBoxPort"));
  ComboBoxPort->setEditable(true);
  ComboBoxPort->setInsertPolicy(QComboBox::NoInsert);
  ComboBoxPort->addItem(QStringLiteral("25"));
  ComboBoxPort->setEditText(QStringLiteral("25"));
  ComboBoxPort->setToolTip(QStringLiteral("用户邮箱的SMTP端口，例如25"));
  CheckBoxNeedLogin = new QCheckBox(QStringLiteral("需要登陆验证"), this);
  CheckBoxNeedLogin->setObjectName(QStringLiteral("CheckBoxNeedLogin"));
  CheckBoxNeedLogin->setChecked(true);
  CheckBoxNeedLogin->setToolTip(QStringLiteral("发送邮件服务器是否登录验证，一般都是需要的。"));
  Memo2 = new QPlainTextEdit(this);
  Memo2->setObjectName(QStringLiteral("Memo2"));
  Memo2->setReadOnly(true);
  QPalette memoPalette = Memo2->palette();
  memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::ToolTipBase));
  memoPalette.setColor(QPalette::Text, memoPalette.color(QPalette::ToolTipText));
  Memo2->setPalette(memoPalette);

  auto *grid = new QGridLayout;
  int row = 0;
  const auto labeled = [&](const QString &label, QWidget *field, QWidget *beside = nullptr) {
    grid->addWidget(new QLabel(label, this), row, 0);
    grid->addWidget(field, row, 1);
    if (beside) grid->addWidget(beside, row, 2);
    ++row;
  };
  labeled(QStringLiteral("邮箱地址"), LabeledEditEmail);
  labeled(QStringLiteral("登录名"), LabeledEditLoginName);
  labeled(QStringLiteral("密码"), LabeledEditPassword);
  labeled(QStringLiteral("邮箱类型"), ComboBoxEmailType, ComboBoxEmailBoxName);
  labeled(QStringLiteral("发送服务器（SMTP）"), LabeledEditSMTP);
  labeled(QStringLiteral("端口"), ComboBoxPort);
  grid->addWidget(CheckBoxNeedLogin, row++, 1);
  grid->addWidget(Memo2, row++, 0, 1, 3);
  grid->setColumnStretch(1, 1);

  const auto command = [this](QAction *&action, const char *name, const QString &text,
                              void (TFormEmailAccountSet::*slot)()) {
    action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
  };
  command(ActionTest, "ActionTest", QStringLiteral("测试&T"), &TFormEmailAccountSet::test);
  command(ActionSave, "ActionSave", QStringLiteral("保存&S"), &TFormEmailAccountSet::save);
  command(ActionCancel, "ActionCancel", QStringLiteral("取消&C"), &QDialog::reject);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  QWidget *previous = CheckBoxNeedLogin;
  setTabOrder(LabeledEditEmail, LabeledEditLoginName);
  setTabOrder(LabeledEditLoginName, LabeledEditPassword);
  setTabOrder(LabeledEditPassword, ComboBoxEmailType);
  setTabOrder(ComboBoxEmailType, ComboBoxEmailBoxName);
  setTabOrder(ComboBoxEmailBoxName, LabeledEditSMTP);
  setTabOrder(LabeledEditSMTP, ComboBoxPort);
  setTabOrder(ComboBoxPort, CheckBoxNeedLogin);
  Memo2->setFocusPolicy(Qt::NoFocus);
  for (auto [action, name] :
       {std::pair{ActionTest, "ButtonTest"}, std::pair{ActionSave, "ButtonSave"},
        std::pair{ActionCancel, "ButtonCancel"}}) {
    auto *button = new QPushButton(action->text(), this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    buttons->addWidget(button);
    setTabOrder(previous, button);
    previous = button;
  }
  buttons->addStretch();

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
}

void TFormEmailAccountSet::fillProviderNames() {
  QStringList names;
  QString error;
  const bool ok = ReadProviderNames(names, error);
  ComboBoxEmailBoxName->clear();
  if (!ok) {
    Interaction::current().showError(error);
    return;
  }
  ComboBoxEmailBoxName->addItems(names);
  ComboBoxEmailBoxName->setCurrentIndex(-1);
  ComboBoxEmailBoxName->setEditText(QString());
}

bool TFormEmailAccountSet::eventFilter(QObject *watched, QEvent *event) {
  auto *widget = qobject_cast<QWidget *>(watched);
  if (!widget || (widget != this && !isAncestorOf(widget))) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent *>(event)->key();
      if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
      focusNextChild();
      return true;
    }
    case QEvent::FocusOut: {
      // Only a move to another control counts, not the window losing the focus.
      const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
      if (widget == LabeledEditEmail && reason != Qt::ActiveWindowFocusReason &&
          reason != Qt::PopupFocusReason)
        LabeledEditEmailExit();
      return false;
    }
    case QEvent::ToolTip:
      if (widget == LabeledEditLoginName || widget == LabeledEditSMTP ||
          widget == CheckBoxNeedLogin) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), widget->toolTip(), widget,
                           QRect(), kBalloonHintMs);
        return true;
      }
      return false;
    default:
      return false;
  }
}

void TFormEmailAccountSet::LabeledEditEmailExit() {
  LabeledEditLoginName->setText(LabeledEditEmail->text());
  ProviderFill fill;
  QString error;
  switch (LookUpProvider(DomainOfAddress(LabeledEditEmail->text()), fill, error)) {
    case LookupOutcome::Failed:
    case LookupOutcome::Ambiguous:
      return;
    case LookupOutcome::Unreadable:
      Interaction::current().showError(error);
      return;
    case LookupOutcome::NotFound:
      // The editor neither waits for the update nor repeats the look-up afterwards.
      StartBackgroundThread("provider-directory",
                            [] { RefreshProviderDirectory(ProviderDirectoryMode::Always); });
      return;
    case LookupOutcome::Found:
      break;
  }
  Memo2->setPlainText(fill.memo);
  ComboBoxEmailType->setCurrentIndex(fill.personal ? 0 : 1);
  ComboBoxEmailBoxName->setEditText(fill.serverName);
  LabeledEditSMTP->setText(fill.host);
  ComboBoxPort->setEditText(fill.port);
  CheckBoxNeedLogin->setChecked(fill.login);
}

void TFormEmailAccountSet::test() {
  if (LabeledEditSMTP->text().isEmpty()) {
    Interaction::current().showMessage(QString::fromUtf8(kNoServer));
    return;
  }
  RunAccountTest(this, {LabeledEditSMTP->text(), TestPortFromText(ComboBoxPort->currentText()),
                        CheckBoxNeedLogin->isChecked(), LabeledEditLoginName->text(),
                        LabeledEditPassword->text()});
}

void TFormEmailAccountSet::save() {
  if (LabeledEditSMTP->text().isEmpty()) {
    Interaction::current().showMessage(QString::fromUtf8(kNoServer));
    return;
  }
  AccountFields fields;
  fields.serverName = ComboBoxEmailBoxName->currentText();
  fields.host = LabeledEditSMTP->text();
  fields.loginName = LabeledEditLoginName->text();
  fields.password = LabeledEditPassword->text();
  fields.portText = ComboBoxPort->currentText();
  fields.needLogin = CheckBoxNeedLogin->isChecked();
  fields.email = LabeledEditEmail->text();
  fields.typeIndex = ComboBoxEmailType->currentIndex();
  QString error;
  if (!SaveNewAccount(fields, DataModule1->ADOQueryAccessComm, error)) {
    Interaction::current().showMessage(QStringLiteral("保存失败!") + error);
    return;
  }
  Interaction::current().showMessage(QStringLiteral("保存成功!"));
  accept();
}
