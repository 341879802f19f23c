#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>
#include <QTcpServer>
#include <QTest>

#include "AccountsFixture.h"
#include "app/AppWindows.h"
#include "app/UfrmMain.h"
#include "mailservers/SmtpServerListModel.h"
#include "mailservers/UfrmEmailAccountSet.h"
#include "mailservers/UfrmSetSMTPServer.h"
#include "mailservers/UfrmTestSMTPServer.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"

// The server settings window driven headless on a real payslip.mdb.
class TestServerSettings : public QObject {
  Q_OBJECT

  static bool trigger(QObject *window, const char *action) {
    QAction *a = Child<QAction>(window, action);
    if (!a || !a->isEnabled()) return false;
    a->trigger();
    return true;
  }
  static QLineEdit *editor(QObject *window, const char *name) {
    return Child<QLineEdit>(window, name);
  }
  // Replaces an editor's text by typing, as the user does (a key press carrying the text, so
  // Chinese input works too).
  static void typeInto(QLineEdit *edit, const QString &text) {
    edit->selectAll();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(edit, &press);
  }
  static void showActive(QWidget &window) {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  // Fills the account editor shown by "新增&A" and saves or cancels it.
  static int addInEditor(QDialog *dialog, bool save, const QString &name, const QString &user,
                         const QString &password) {
    auto *editor = qobject_cast<TFormEmailAccountSet *>(dialog);
    if (!editor) return int(QDialog::Rejected);
    Child<QLineEdit>(editor, "LabeledEditSMTP")->setText("smtp.new.example");
    Child<QComboBox>(editor, "ComboBoxEmailBoxName")->setEditText(name);
    Child<QLineEdit>(editor, "LabeledEditLoginName")->setText(user);
    Child<QLineEdit>(editor, "LabeledEditPassword")->setText(password);
    Child<QAction>(editor, save ? "ActionSave" : "ActionCancel")->trigger();
    return editor->result();
  }
  static QString dbName(int serverId) {
    return Scalar(QStringLiteral("select server_name from smtp_server where server_id=%1")
                      .arg(serverId))
        .toString();
  }

 private slots:
  void initTestCase() { Q_INIT_RESOURCE(korvane); }

  void gridColumnsAndPanel() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "smtp.a.example", "465", "a@a.example", "plain pw"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    auto *grid = Child<QTableView>(&window, "GridServers");
    QStringList visible;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
      if (!grid->isColumnHidden(c))
        visible << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(visible, (QStringList{"名称", "发件服务器(SMTP)", "帐号", "密码", "端口号",
                                   "是否需要验证", "编号"}));
    QCOMPARE(grid->model()->index(0, 4).data().toString(), QStringLiteral("plain pw"));
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(editor(&window, "EditEmail")->text(), QStringLiteral("a@a.example@example.com"));
    QCOMPARE(editor(&window, "EditHost")->text(), QStringLiteral("smtp.a.example"));
    QCOMPARE(editor(&window, "EditPort")->text(), QStringLiteral("465"));
    QLineEdit *password = editor(&window, "EditPassword");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
             int('*'));
    QVERIFY(Child<QCheckBox>(&window, "CheckBoxLogin")->isChecked());
    QVERIFY(ui.shown.isEmpty());
  }

  void emptyList() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    QCOMPARE(window.currentRow(), -1);
    QVERIFY(trigger(&window, "ActionTest"));
    QVERIFY(trigger(&window, "ActionDelete"));
    QVERIFY(ui.shown.isEmpty());  // neither tests nor asks
    QVERIFY(trigger(&window, "ActionAdd"));
    QCOMPARE(ui.modalWindows(), QStringList{"TFormEmailAccountSet"});
  }

  void statementFailsAtCreation() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(Exec("drop table smtp_server"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    QCOMPARE(Child<QTableView>(&window, "GridServers")->model()->rowCount(), 0);
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Error);
    QVERIFY(ui.shown[0].text.contains("smtp_server"));
  }

  void addListsTheSavedAccount_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("saved in the editor") << true;
    QTest::newRow("editor cancelled") << false;
  }
  void addListsTheSavedAccount() {
    QFETCH(bool, save);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "smtp.a.example", "25"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    ui.onModal = [&](QDialog *dialog) {
      auto *editor = qobject_cast<TFormEmailAccountSet *>(dialog);
      if (!editor) return int(QDialog::Rejected);
      Child<QLineEdit>(editor, "LabeledEditSMTP")->setText("smtp.new.example");
      Child<QComboBox>(editor, "ComboBoxEmailBoxName")->setEditText("新");
      Child<QAction>(editor, save ? "ActionSave" : "ActionCancel")->trigger();
      return editor->result();
    };
    QVERIFY(trigger(&window, "ActionAdd"));
    auto *grid = Child<QTableView>(&window, "GridServers");
    QCOMPARE(grid->model()->rowCount(), save ? 2 : 1);
    if (save) QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("新"));
  }

  void typingStartsAnEditAndMovingPostsIt() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "smtp.a.example", "25"));
    QVERIFY(AddAccount("乙", "smtp.b.example", "25"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    QVERIFY(!Child<QAction>(&window, "ActionPost")->isEnabled());
    typeInto(editor(&window, "EditName"), "甲改");
    QVERIFY(Child<QAction>(&window, "ActionPost")->isEnabled());  // in edit mode
    auto *grid = Child<QTableView>(&window, "GridServers");
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("甲改"));
    QCOMPARE(dbName(1), QStringLiteral("甲"));  // not yet posted
    QVERIFY(trigger(&window, "ActionNext"));
    QCOMPARE(window.currentRow(), 1);
    QCOMPARE(dbName(1), QStringLiteral("甲改"));
    QCOMPARE(editor(&window, "EditName")->text(), QStringLiteral("乙"));
    // Clicking into the grid moves the row too, and posts the same way.
    Child<QCheckBox>(&window, "CheckBoxLogin")->click();
    grid->selectionModel()->setCurrentIndex(grid->model()->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect);
    QCOMPARE(window.currentRow(), 0);
    QCOMPARE(Scalar("select login from smtp_server where server_id=2").toInt(), 0);
    QVERIFY(ui.shown.isEmpty());
  }

  void rejectedPost_data() {
    QTest::addColumn<QString>("editorName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("name longer than 50")
        << "EditName" << QString(51, QLatin1Char('x')) << "CHECK constraint failed";
    QTest::newRow("port not a number") << "EditPort"
                                       << "abc"
                                       << "abc";
  }
  void rejectedPost() {
    QFETCH(QString, editorName);
    QFETCH(QString, text);
    QFETCH(QString, errorPart);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "smtp.a.example", "25"));
    QVERIFY(AddAccount("乙", "smtp.b.example", "25"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    QLineEdit *edit = editor(&window, qPrintable(editorName));
    const QString old = edit->text();
    typeInto(edit, text);
    QVERIFY(trigger(&window, "ActionPost"));
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Error);
    QVERIFY2(ui.shown[0].text.contains(errorPart), qPrintable(ui.shown[0].text));
    QVERIFY(Child<QAction>(&window, "ActionPost")->isEnabled());  // still in edit mode
    QCOMPARE(edit->text(), text);
    // Moving away posts first; rejected again, the row stays.
    QVERIFY(trigger(&window, "ActionNext"));
    QCOMPARE(window.currentRow(), 0);
    QCOMPARE(ui.shown.size(), 2);
    QCOMPARE(AccountRows().first().section('|', 0, 0), QStringLiteral("甲"));
    QVERIFY(trigger(&window, "ActionCancel"));
    QCOMPARE(edit->text(), old);
    QVERIFY(!Child<QAction>(&window, "ActionPost")->isEnabled());
    QVERIFY(trigger(&window, "ActionNext"));
    QCOMPARE(window.currentRow(), 1);
  }

  void deleteAsksFirst_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK deletes") << true;
    QTest::newRow("Cancel keeps") << false;
  }
  void deleteAsksFirst() {
    QFETCH(bool, ok);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "smtp.a.example", "25"));
    QVERIFY(AddAccount("乙", "smtp.b.example", "25"));
    ScriptedInteraction ui;
    ui.confirmAnswers = {ok};
    TFormSetSMTPServer window;
    QVERIFY(trigger(&window, "ActionLast"));
    QVERIFY(trigger(&window, "ActionDelete"));
    QCOMPARE(ui.messages(), QStringList{"确认要删除吗?"});
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Confirm);
    const QStringList rows = AccountRows();
    QCOMPARE(rows.size(), ok ? 1 : 2);
    QCOMPARE(rows.first().section('|', 0, 0), QStringLiteral("甲"));
    QCOMPARE(Child<QTableView>(&window, "GridServers")->model()->rowCount(), rows.size());
    QCOMPARE(window.currentRow(), ok ? 0 : 1);
  }

  void navigationAndBookmarks() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    for (const char *name : {"一", "二", "三", "四"}) QVERIFY(AddAccount(name, "h", "25"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    window.show();  // a page is what the shown grid holds
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QList<int> rows;
    for (const char *action : {"ActionNext", "ActionNext", "ActionSaveBookmark", "ActionLast",
                               "ActionNext", "ActionPrior", "ActionFirst", "ActionPrior",
                               "ActionRestoreBookmark", "ActionNextPage", "ActionPriorPage"}) {
      QVERIFY2(trigger(&window, action), action);
      rows << window.currentRow();
    }
    QCOMPARE(rows, (QList<int>{1, 2, 2, 3, 3, 2, 0, 0, 2, 3, 0}));
    // Refresh re-reads and stays on the row: an account changed elsewhere shows up.
    QVERIFY(trigger(&window, "ActionNext"));
    QVERIFY(Exec("update smtp_server set server_name='二改' where server_id=2"));
    QVERIFY(trigger(&window, "ActionRefresh"));
    QCOMPARE(window.currentRow(), 1);
    QCOMPARE(editor(&window, "EditName")->text(), QStringLiteral("二改"));
  }

  void testUsesTheCurrentRowAsPosted() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "nowhere.invalid", "25", "u1", "p1", true));
    QTcpServer smtp;
    QVERIFY(smtp.listen(QHostAddress::LocalHost));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    typeInto(editor(&window, "EditHost"), "127.0.0.1");
    typeInto(editor(&window, "EditPort"), QString::number(smtp.serverPort()));
    typeInto(editor(&window, "EditUserName"), "hr@qq.com");
    Child<QCheckBox>(&window, "CheckBoxLogin")->click();
    QVERIFY(trigger(&window, "ActionPost"));
    QString seen;
    ui.onModal = [&](QDialog *dialog) {
      if (auto *test = qobject_cast<TFormTestSMTPServer *>(dialog))
        seen = QStringList{test->Host, QString::number(test->Port), test->NeedLogin ? "1" : "0",
                           test->LoginName, test->Password}
                   .join('|');
      return int(QDialog::Rejected);
    };
    QVERIFY(trigger(&window, "ActionTest"));
    QCOMPARE(ui.modalWindows(), QStringList{"TFormTestSMTPServer"});
    QCOMPARE(seen, QStringLiteral("127.0.0.1|%1|0|hr@qq.com|p1").arg(smtp.serverPort()));
  }

  void testThatCannotConnectShowsNoWindow() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString port = QString::number(closed.serverPort());
    closed.close();
    QVERIFY(AddAccount("甲", "127.0.0.1", port));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    QVERIFY(trigger(&window, "ActionTest"));
    QVERIFY(ui.modalWindows().isEmpty());
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Error);
  }

  void altTRunsTheTestFromAnyControl_data() {
    QTest::addColumn<QString>("focusName");
    for (const char *name :
         {"GridServers", "EditName", "EditPassword", "EditPort", "CheckBoxLogin", "ButtonAdd"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void altTRunsTheTestFromAnyControl() {
    QFETCH(QString, focusName);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QTcpServer smtp;
    QVERIFY(smtp.listen(QHostAddress::LocalHost));
    QVERIFY(AddAccount("甲", "127.0.0.1", QString::number(smtp.serverPort())));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    showActive(window);
    auto *target = Child<QWidget>(&window, qPrintable(focusName));
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    const QString before = editor(&window, "EditName")->text();

    QTest::keyClick(target, Qt::Key_T, Qt::AltModifier);

    QCOMPARE(ui.modalWindows(), QStringList{"TFormTestSMTPServer"});
    QCOMPARE(editor(&window, "EditName")->text(), before);         // no "t" typed
    QVERIFY(!Child<QAction>(&window, "ActionPost")->isEnabled());  // not put into edit mode
  }

  void tabLeavesTheGrid() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    for (const char *name : {"一", "二", "三"}) QVERIFY(AddAccount(name, "h", "25"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    showActive(window);
    auto *grid = Child<QTableView>(&window, "GridServers");
    grid->setFocus();
    QStringList visited;
    for (int i = 0; i < 9; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
      QCOMPARE(window.currentRow(), 0);
    }
    QCOMPARE(visited, (QStringList{"ButtonAdd", "EditName", "EditEmail", "EditHost", "EditUserName",
                                   "EditPassword", "EditPort", "CheckBoxLogin", "GridServers"}));
    QTest::keyClick(grid, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("CheckBoxLogin"));
    QCOMPARE(window.currentRow(), 0);
    QCOMPARE(editor(&window, "EditName")->text(), QStringLiteral("一"));
  }

  void addMakesTheNewAccountCurrent_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("saved: the new account") << true;
    QTest::newRow("cancelled: the row stays") << false;
  }
  void addMakesTheNewAccountCurrent() {
    QFETCH(bool, save);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    for (const char *name : {"一", "二", "三"}) QVERIFY(AddAccount(name, "h", "25"));
    ScriptedInteraction ui;
    ui.onModal = [&](QDialog *dialog) { return addInEditor(dialog, save, "新", "u", "p"); };
    TFormSetSMTPServer window;
    QVERIFY(trigger(&window, "ActionNext"));
    QVERIFY(trigger(&window, "ActionAdd"));
    auto *grid = Child<QTableView>(&window, "GridServers");
    const int expected = save ? 3 : 1;
    QCOMPARE(window.currentRow(), expected);
    QCOMPARE(grid->currentIndex().row(), expected);
    QCOMPARE(editor(&window, "EditName")->text(),
             save ? QStringLiteral("新") : QStringLiteral("二"));
  }

  void columnsFitAfterTheFirstAdd() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    ui.onModal = [&](QDialog *dialog) {
      return addInEditor(dialog, true, "网易企业邮箱（总部财务部）", "payroll.office@example.com",
                         "a long password of ours");
    };
    TFormSetSMTPServer window;
    showActive(window);
    QVERIFY(trigger(&window, "ActionAdd"));
    auto *grid = Child<QTableView>(&window, "GridServers");
    QCOMPARE(grid->model()->rowCount(), 1);
    for (int column : {int(SmtpServerListModel::Name), int(SmtpServerListModel::UserName),
                       int(SmtpServerListModel::Password)}) {
      const QString text = grid->model()->index(0, column).data().toString();
      QVERIFY2(grid->columnWidth(column) >=
                   static_cast<QAbstractItemView *>(grid)->sizeHintForColumn(column),
               qPrintable(text));
      QVERIFY2(grid->columnWidth(column) > grid->fontMetrics().horizontalAdvance(text),
               qPrintable(text));
    }
  }

  void mainWindowCommandOpensTheWindow() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    RecordedThreads threads;
    RegisterStandardWindows();
    TFormMain main;
    QVERIFY(trigger(&main, "ActionSetSMTPServer"));
    QCOMPARE(ui.modalWindows(), QStringList{"TFormSetSMTPServer"});
    ClearRegisteredWindows();
  }

  void postPortBounds_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("posted");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("25") << "25" << true;
    QTest::newRow("65535") << "65535" << true;
    QTest::newRow("65536") << "65536" << false;
    QTest::newRow("105351") << "105351" << false;
    QTest::newRow("-1") << "-1" << false;
  }
  void postPortBounds() {
    QFETCH(QString, port);
    QFETCH(bool, posted);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(AddAccount("甲", "smtp.a.example", "25"));
    ScriptedInteraction ui;
    TFormSetSMTPServer window;
    typeInto(editor(&window, "EditPort"), port);
    QVERIFY(trigger(&window, "ActionPost"));
    const QString stored = AccountRows().first().section('|', 4, 4);
    if (posted) {
      QVERIFY(ui.shown.isEmpty());
      QCOMPARE(stored, port);
      return;
    }
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Error);
    QCOMPARE(ui.shown[0].text, QStringLiteral("端口号无效：") + port +
                                   QStringLiteral("（端口号应为1到65535之间的整数）"));
    QCOMPARE(stored, QStringLiteral("25"));
    QVERIFY(Child<QAction>(&window, "ActionPost")->isEnabled());  // still in edit mode
  }
};

QTEST_MAIN(TestServerSettings)
#include "tst_server_settings.moc"
