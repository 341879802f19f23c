#include "UfrmSetSMTPServer.h"

#include <QAction>
#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "SmtpServerListModel.h"
#include "UfrmEmailAccountSet.h"
#include "UfrmTestSMTPServer.h"
#include "data/Data.h"
#include "widgets/Interaction.h"
#include "widgets/WindowPlacement.h"

namespace {
// Leaves an editor alone when it already shows the value, so a refresh of the row being typed
// into does not move the cursor.
class KeepTypingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void setEditorData(QWidget *editor, const QModelIndex &index) const override {
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
      const QString text = index.data(Qt::EditRole).toString();
      if (line->text() != text) line->setText(text);
      return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
  }
  void setModelData(QWidget *, QAbstractItemModel *, const QModelIndex &) const override {}
};
}  // namespace

TFormSetSMTPServer::TFormSetSMTPServer(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormSetSMTPServer"));
  setWindowTitle(QStringLiteral("发送邮件服务器设置"));
  resize(784, 562);
  PlaceOnFirstShow(this, WindowPlacement::DesktopCentre);

  model_ = new SmtpServerListModel(DataModule1->ADOConnectionAccess, this);
  connect(model_, &SmtpServerListModel::editingChanged, this, &TFormSetSMTPServer::updateActions);

  auto *leftBar = new QToolBar(this);
  leftBar->setObjectName(QStringLiteral("NavigatorLeft"));
  auto *rightBar = new QToolBar(this);
  rightBar->setObjectName(QStringLiteral("NavigatorRight"));
  buildNavigators(leftBar, rightBar);

  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("GridServers"));
  grid_->setModel(model_);
  grid_->setColumnHidden(SmtpServerListModel::Email, true);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the grid for the record panel and the buttons instead of walking the cells,
  // which would also change the current account on the way.
  grid_->setTabKeyNavigation(false);
  // The selection stays visible while the record panel has the focus.
  QPalette gridPalette = grid_->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    gridPalette.setColor(QPalette::Inactive, role, gridPalette.color(QPalette::Active, role));
  grid_->setPalette(gridPalette);
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &now) {
            if (!syncing_ && now.isValid() && now.row() != current_) moveTo(now.row());
          });

  auto *addButton = new QPushButton(ActionAdd->text(), this);
  addButton->setObjectName(QStringLiteral("ButtonAdd"));
  addButton->setAutoDefault(false);
  connect(addButton, &QPushButton::clicked, ActionAdd, &QAction::trigger);

  auto *left = new QVBoxLayout;
  left->addWidget(leftBar);
  left->addWidget(grid_, 1);
  left->addWidget(addButton);
  auto *leftPane = new QWidget(this);
  leftPane->setLayout(left);
  leftPane->setFixedWidth(305);

  auto *right = new QVBoxLayout;
  right->addWidget(rightBar);
  right->addWidget(buildRecordPanel(), 1);
  auto *tips = new QGroupBox(QStringLiteral("提示"), this);
  auto *tipText = new QLabel(
      QStringLiteral(
          "尽量使用收费邮箱或企业邮箱，免费邮箱一般有防垃圾邮件机制，会限制通过客户端邮件发送。"),
      tips);
  tipText->setObjectName(QStringLiteral("LabelTip"));
  tipText->setWordWrap(true);
  tipText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  tipText->setFont(QFont(QStringLiteral("宋体")));
  auto *tipLayout = new QVBoxLayout(tips);
  tipLayout->addWidget(tipText);
  right->addWidget(tips);

  auto *layout = new QHBoxLayout(this);
  layout->addWidget(leftPane);
  layout->addLayout(right, 1);

  reloadRows();
  current_ = model_->rowCount() > 0 ? 0 : -1;
  showCurrentRow();
}

TFormSetSMTPServer::~TFormSetSMTPServer() = default;

QAction *TFormSetSMTPServer::makeAction(const char *name, const QString &text, const QString &hint,
                                        void (TFormSetSMTPServer::*slot)()) {
  auto *action = new QAction(text, this);
  action->setObjectName(QLatin1String(name));
  action->setToolTip(hint);
  action->setStatusTip(hint);
  connect(action, &QAction::triggered, this, slot);
  addAction(action);
  return action;
}

void TFormSetSMTPServer::buildNavigators(QToolBar *left, QToolBar *right) {
  using F = TFormSetSMTPServer;
  ActionFirst = makeAction("ActionFirst", QStringLiteral("|◀"), QStringLiteral("移动到第一条记录"),
                           &F::first);
  ActionPriorPage =
      makeAction("ActionPriorPage", QStringLiteral("◀◀"), QStringLiteral("上一页"), &F::priorPage);
  ActionPrior = makeAction("ActionPrior", QStringLiteral("◀"), QStringLiteral("上一条"), &F::prior);
  ActionNext = makeAction("ActionNext", QStringLiteral("▶"), QStringLiteral("下一条"), &F::next);
  ActionNextPage =
      makeAction("ActionNextPage", QStringLiteral("▶▶"), QStringLiteral("下一页"), &F::nextPage);
  ActionLast = makeAction("ActionLast", QStringLiteral("▶|"), QStringLiteral("移动到最后一条记录"),
                          &F::last);
  ActionDelete = makeAction("ActionDelete", QStringLiteral("−"), QStringLiteral("删除当前记录"),
                            &F::deleteCurrent);
  ActionEdit = makeAction("ActionEdit", QStringLiteral("▲"), QStringLiteral("编辑当前记录"),
                          &F::editCurrent);
  ActionPost = makeAction("ActionPost", QStringLiteral("✔"), QStringLiteral("保存"), &F::post);
  ActionCancel = makeAction("ActionCancel", QStringLiteral("✘"),
                            QStringLiteral("取消所做的变更或新增"), &F::cancelEdit);
  ActionRefresh =
      makeAction("ActionRefresh", QStringLiteral("↻"), QStringLiteral("刷新"), &F::refresh);
  ActionSaveBookmark = makeAction("ActionSaveBookmark", QStringLiteral("☆"),
                                  QStringLiteral("标记书签"), &F::saveBookmark);
  ActionRestoreBookmark = makeAction("ActionRestoreBookmark", QStringLiteral("★"),
                                     QStringLiteral("转到书签"), &F::restoreBookmark);
  ActionTest = makeAction("ActionTest", QStringLiteral("测试&T"), QString(), &F::test);
  // A tool button has no access key of its own; the command's shortcut works from every
  // control of the window, a record panel editor included.
  ActionTest->setShortcut(QKeySequence::mnemonic(ActionTest->text()));
  ActionAdd = makeAction("ActionAdd", QStringLiteral("新增&A"), QString(), &F::add);

  const QList<QAction *> moves{ActionFirst, ActionPriorPage, ActionPrior,
                               ActionNext,  ActionNextPage,  ActionLast};
  left->addActions(moves);
  left->addAction(ActionRefresh);
  right->addActions(moves);
  right->addActions({ActionDelete, ActionEdit, ActionPost, ActionCancel, ActionRefresh,
                     ActionSaveBookmark, ActionRestoreBookmark});
  right->addAction(ActionTest);
}

QWidget *TFormSetSMTPServer::buildRecordPanel() {
  auto *panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("RecordPanel"));
  auto *form = new QFormLayout(panel);
  mapper_ = new QDataWidgetMapper(this);
  mapper_->setModel(model_);
  mapper_->setItemDelegate(new KeepTypingDelegate(mapper_));
  mapper_->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
  struct Field {
    const char *label;
    const char *name;
    int column;
    int widthChars;
    const char *hint;
  };
  const Field fields[] = {
      {"名称", "EditName", SmtpServerListModel::Name, 50, "可以自定义，用于标识服务器。"},
      {"电子邮件地址", "EditEmail", SmtpServerListModel::Email, 50, nullptr},
      {"发件邮件服务器(SMTP)", "EditHost", SmtpServerListModel::Host, 50, nullptr},
      {"帐号", "EditUserName", SmtpServerListModel::UserName, 50, nullptr},
      {"密码", "EditPassword", SmtpServerListModel::Password, 50, "密码"},
      {"端口号", "EditPort", SmtpServerListModel::Port, 10, nullptr},
  };
  const int charWidth = fontMetrics().averageCharWidth();
  for (const Field &f : fields) {
    auto *editor = new QLineEdit(panel);
    editor->setObjectName(QLatin1String(f.name));
    editor->setMaximumWidth(charWidth * f.widthChars + 12);
    if (f.hint) editor->setToolTip(QString::fromUtf8(f.hint));
    if (f.column == SmtpServerListModel::Password) {
      editor->setEchoMode(QLineEdit::Password);
      editor->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*'
    }
    // Typing puts the row into edit mode at once, as the grid shows.
    const int column = f.column;
    connect(editor, &QLineEdit::textEdited, this, [this, column](const QString &text) {
      if (current_ >= 0) model_->setData(model_->index(current_, column), text);
    });
    mapper_->addMapping(editor, f.column);
    form->addRow(QString::fromUtf8(f.label), editor);
    editors_ << editor;
  }
  loginBox_ = new QCheckBox(QStringLiteral("是否需要验证"), panel);
  loginBox_->setObjectName(QStringLiteral("CheckBoxLogin"));
  connect(loginBox_, &QCheckBox::clicked, this, [this](bool checked) {
    if (current_ >= 0)
      model_->setData(model_->index(current_, SmtpServerListModel::Login), checked);
  });
  mapper_->addMapping(loginBox_, SmtpServerListModel::Login);
  form->addRow(QString(), loginBox_);
  return panel;
}

void TFormSetSMTPServer::reloadRows() {
  QString error;
  if (!model_->reload(error)) Interaction::current().showError(error);
  // Fitted again on every read, so the first rows added to an empty list are not cut short.
  grid_->resizeColumnsToContents();
}

void TFormSetSMTPServer::showCurrentRow() {
  syncing_ = true;
  const bool any = current_ >= 0 && current_ < model_->rowCount();
  if (any) {
    grid_->selectionModel()->setCurrentIndex(
        model_->index(current_, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    mapper_->setCurrentIndex(current_);
  } else {
    current_ = -1;
    grid_->selectionModel()->clear();
    for (QLineEdit *editor : editors_) editor->clear();
    loginBox_->setChecked(false);
  }
  for (QLineEdit *editor : editors_) editor->setEnabled(any);
  loginBox_->setEnabled(any);
  syncing_ = false;
  updateActions();
}

void TFormSetSMTPServer::updateActions() {
  ActionPost->setEnabled(model_->isEditing());
  ActionCancel->setEnabled(model_->isEditing());
}

bool TFormSetSMTPServer::postPending() {
  QString error;
  if (model_->post(error)) return true;
  Interaction::current().showError(error);
  return false;
}

bool TFormSetSMTPServer::moveTo(int row) {
  if (model_->rowCount() == 0) return false;
  row = std::clamp(row, 0, model_->rowCount() - 1);
  if (row != current_ && model_->isEditing() && !postPending()) {
    showCurrentRow();  // back to the row in edit mode
    return false;
  }
  current_ = row;
  showCurrentRow();
  return true;
}

int TFormSetSMTPServer::pageRows() const {
  const int rowHeight = std::max(1, grid_->verticalHeader()->defaultSectionSize());
  return std::max(1, grid_->viewport()->height() / rowHeight);
}

void TFormSetSMTPServer::first() { moveTo(0); }
void TFormSetSMTPServer::priorPage() { moveTo(current_ - pageRows()); }
void TFormSetSMTPServer::prior() { moveTo(current_ - 1); }
void TFormSetSMTPServer::next() { moveTo(current_ + 1); }
void TFormSetSMTPServer::nextPage() { moveTo(current_ + pageRows()); }
void TFormSetSMTPServer::last() { moveTo(model_->rowCount() - 1); }

void TFormSetSMTPServer::deleteCurrent() {
  if (current_ < 0) return;
  if (!Interaction::current().confirm(QStringLiteral("确认要删除吗?"), QString(),
                                      Interaction::Icon::Question, Interaction::Buttons::OkCancel))
    return;
  QString error;
  if (!model_->removeServer(current_, error)) {
    Interaction::current().showError(error);
    return;
  }
  current_ = std::min(current_, model_->rowCount() - 1);
  showCurrentRow();
}

void TFormSetSMTPServer::editCurrent() {
  if (current_ >= 0) model_->edit(current_);
}

void TFormSetSMTPServer::post() {
  if (model_->isEditing()) postPending();
}

void TFormSetSMTPServer::cancelEdit() {
  model_->cancel();
  showCurrentRow();
}

void TFormSetSMTPServer::refresh() {
  if (model_->isEditing() && !postPending()) return;
  const int id = model_->serverId(current_);
  reloadRows();
  const int row = model_->rowOfServer(id);
  current_ = row >= 0 ? row : std::min(std::max(current_, 0), model_->rowCount() - 1);
  showCurrentRow();
}

void TFormSetSMTPServer::saveBookmark() { bookmark_ = model_->serverId(current_); }

void TFormSetSMTPServer::restoreBookmark() {
  const int row = model_->rowOfServer(bookmark_);
  if (row >= 0) moveTo(row);
}

void TFormSetSMTPServer::add() {
  QSet<int> listed;
  for (int row = 0; row < model_->rowCount(); ++row) listed << model_->serverId(row);
  const int currentId = model_->serverId(current_);
  auto *editor = new TFormEmailAccountSet(this);
  Interaction::current().execModal(editor);
  delete editor;
  // Re-run, so an account saved there is listed at once, and make it the current row; after a
  // cancel the current row stays.
  reloadRows();
  int row = model_->rowOfServer(currentId);
  for (int r = 0; r < model_->rowCount(); ++r) {
    if (!listed.contains(model_->serverId(r))) {
      row = r;
      break;
    }
  }
  current_ = row >= 0 ? row : (model_->rowCount() > 0 ? 0 : -1);
  showCurrentRow();
}

void TFormSetSMTPServer::test() {
  if (current_ < 0 || model_->rowCount() == 0) return;
  RunAccountTest(this, {model_->value(current_, SmtpServerListModel::Host).toString(),
                        model_->value(current_, SmtpServerListModel::Port).toInt(),
                        model_->value(current_, SmtpServerListModel::Login).toBool(),
                        model_->value(current_, SmtpServerListModel::UserName).toString(),
                        model_->value(current_, SmtpServerListModel::Password).toString()});
}
