#pragma once

#include <QDialog>

class QAction;
class QCheckBox;
class QDataWidgetMapper;
class QLineEdit;
class QTableView;
class SmtpServerListModel;

// Lists, edits, deletes and tests the sender accounts; new ones are added through the account
// editor. The grid and the record panel show one result set and share one current row.
class TFormSetSMTPServer : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSetSMTPServer(QWidget *parent = nullptr);
  ~TFormSetSMTPServer() override;

  int currentRow() const { return current_; }

 private:
  void buildNavigators(class QToolBar *left, class QToolBar *right);
  QWidget *buildRecordPanel();
  QAction *makeAction(const char *name, const QString &text, const QString &hint,
                      void (TFormSetSMTPServer::*slot)());

  // Posts a pending edit first; false (the row stays) when the database rejects it.
  bool moveTo(int row);
  bool postPending();
  void reloadRows();  // re-runs the statement and fits the grid's columns
  void showCurrentRow();
  void updateActions();
  int pageRows() const;

  void first();
  void priorPage();
  void prior();
  void next();
  void nextPage();
  void last();
  void deleteCurrent();
  void editCurrent();
  void post();
  void cancelEdit();
  void refresh();
  void saveBookmark();
  void restoreBookmark();
  void add();
  void test();

  SmtpServerListModel *model_ = nullptr;
  QTableView *grid_ = nullptr;
  QDataWidgetMapper *mapper_ = nullptr;
  QList<QLineEdit *> editors_;
  QCheckBox *loginBox_ = nullptr;
  int current_ = -1;
  int bookmark_ = -1;  // server_id of the remembered row
  bool syncing_ = false;

  QAction *ActionFirst = nullptr;
  QAction *ActionPriorPage = nullptr;
  QAction *ActionPrior = nullptr;
  QAction *ActionNext = nullptr;
  QAction *ActionNextPage = nullptr;
  QAction *ActionLast = nullptr;
  QAction *ActionDelete = nullptr;
  QAction *ActionEdit = nullptr;
  QAction *ActionPost = nullptr;
  QAction *ActionCancel = nullptr;
  QAction *ActionRefresh = nullptr;
  QAction *ActionSaveBookmark = nullptr;
  QAction *ActionRestoreBookmark = nullptr;
  QAction *ActionTest = nullptr;
  QAction *ActionAdd = nullptr;
};
