#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTest>

#include "AccountsFixture.h"
#include "ProviderListFixture.h"
#include "data/SqlText.h"
#include "mailservers/AccountInsert.h"
#include "mailservers/UfrmEmailAccountSet.h"
#include "mailservers/UfrmTestSMTPServer.h"
#include "services/MakerSite.h"
#include "support/HttpTestServer.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"

namespace {
const QStringList kQq{"QQ邮箱", "smtp.qq.com", "465", "true", "1", "qq.com", "需使用授权码"};
const QStringList kCorp{"网易企业邮箱", "smtp.qiye.163.com", "994", "1", "2", "qiye.163.com",
                        "企业"};
const QStringList kAtSign{"怪域名", "mail.b.example", "25", "0", "0", "b@qq.com", ""};
const QStringList kTwiceA{"甲", "smtp.a.example", "25", "1", "1", "twice.cn", ""};
const QStringList kTwiceB{"乙", "smtp.b.example", "26", "1", "1", "twice.cn", ""};
}  // namespace

// The account editor driven headless on a real payslip.mdb.
class TestAccountEditor : public QObject {
  Q_OBJECT

  struct Controls {
    QLineEdit *email, *login, *password, *smtp;
    QComboBox *type, *boxName, *port;
    QCheckBox *needLogin;
    QPlainTextEdit *memo;
  };
  static Controls controls(TFormEmailAccountSet &d) {
    return {
        Child<QLineEdit>(&d, "LabeledEditEmail"),    Child<QLineEdit>(&d, "LabeledEditLoginName"),
        Child<QLineEdit>(&d, "LabeledEditPassword"), Child<QLineEdit>(&d, "LabeledEditSMTP"),
        Child<QComboBox>(&d, "ComboBoxEmailType"),   Child<QComboBox>(&d, "ComboBoxEmailBoxName"),
        Child<QComboBox>(&d, "ComboBoxPort"),        Child<QCheckBox>(&d, "CheckBoxNeedLogin"),
        Child<QPlainTextEdit>(&d, "Memo2")};
  }
  // The six fields the look-up fills, as one text.
  static QString filled(const Controls &c) {
    return QStringList{c.memo->toPlainText(),    c.type->currentText(),
                       c.boxName->currentText(), c.smtp->text(),
                       c.port->currentText(),    c.needLogin->isChecked() ? "checked" : "unchecked"}
        .join(QLatin1Char('|'));
  }
  static void trigger(TFormEmailAccountSet &d, const char *action) {
    QAction *a = Child<QAction>(&d, action);
    QVERIFY(a);
    a->trigger();
  }
  static void fillAccount(const Controls &c, int type, const QString &password, const QString &port,
                          bool needLogin) {
    c.email->setText("hr@qq.com");
    c.login->setText("hr@qq.com");
    c.password->setText(password);
    c.type->setCurrentIndex(type);
    c.boxName->setEditText("QQ邮箱");
    c.smtp->setText("smtp.qq.com");
    c.port->setEditText(port);
    c.needLogin->setChecked(needLogin);
  }

 private slots:
  void providerListFromTheDirectory() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    for (const auto &row : {kQq, kCorp}) QVERIFY(AddDirectoryRow(row));
    TFormEmailAccountSet dialog;
    const Controls c = controls(dialog);
    QStringList items;
    for (int i = 0; i < c.boxName->count(); ++i) items << c.boxName->itemText(i);
    QCOMPARE(items, (QStringList{"QQ邮箱", "网易企业邮箱"}));
    QCOMPARE(c.boxName->currentText(), QString());
    QCOMPARE(c.port->currentText(), QStringLiteral("25"));
    QCOMPARE(c.type->currentIndex(), -1);
    QVERIFY(c.needLogin->isChecked());
    QVERIFY(ui.shown.isEmpty());
  }

  void providerListStatementFails() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(Exec("drop table smtpservers"));
    ScriptedInteraction ui;
    TFormEmailAccountSet dialog;
    QCOMPARE(controls(dialog).boxName->count(), 0);
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Error);
    QVERIFY(ui.shown[0].text.contains("smtpservers"));
  }

  void leavingTheEmailField_data() {
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("fields");  // after leaving; "" = left as they were
    QTest::addColumn<bool>("updateStarted");
    QTest::newRow("one row fills all six")
        << "zhang@qq.com"
        << "需使用授权码|个人邮箱|QQ邮箱|smtp.qq.com|465|checked" << false;
    QTest::newRow("type 2 shows enterprise")
        << "li@qiye.163.com"
        << "企业|企业邮箱|网易企业邮箱|smtp.qiye.163.com|994|checked" << false;
    QTest::newRow("two at-signs split at the first")
        << "a@b@qq.com"
        << "|企业邮箱|怪域名|mail.b.example|25|unchecked" << false;
    QTest::newRow("no at-sign: the whole text is the domain")
        << "qq.com"
        << "需使用授权码|个人邮箱|QQ邮箱|smtp.qq.com|465|checked" << false;
    QTest::newRow("two rows fill nothing") << "x@twice.cn"
                                           << "" << false;
    QTest::newRow("unknown domain starts an update") << "x@unknown.cn"
                                                     << "" << true;
    QTest::newRow("empty address") << ""
                                   << "" << true;
  }
  void leavingTheEmailField() {
    QFETCH(QString, email);
    QFETCH(QString, fields);
    QFETCH(bool, updateStarted);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    RecordedThreads threads;
    for (const auto &row : {kQq, kCorp, kAtSign, kTwiceA, kTwiceB}) QVERIFY(AddDirectoryRow(row));
    TFormEmailAccountSet dialog;
    const Controls c = controls(dialog);
    c.login->setText("typed before");
    c.memo->setPlainText("m");
    c.type->setCurrentIndex(0);
    c.boxName->setEditText("n");
    c.smtp->setText("h");
    c.port->setEditText("p");
    c.needLogin->setChecked(false);
    const QString before = filled(c);

    c.email->setText(email);
    dialog.LabeledEditEmailExit();

    QCOMPARE(c.login->text(), email);
    QCOMPARE(filled(c), fields.isEmpty() ? before : fields);
    QCOMPARE(threads.names.size(), updateStarted ? 1 : 0);
    QVERIFY(ui.shown.isEmpty());
  }

  void failingLookUpIsSilent() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    RecordedThreads threads;
    TFormEmailAccountSet dialog;
    QVERIFY(Exec("drop table smtpservers"));
    const Controls c = controls(dialog);
    c.email->setText("zhang@qq.com");
    dialog.LabeledEditEmailExit();
    QCOMPARE(c.login->text(), QStringLiteral("zhang@qq.com"));
    QVERIFY(threads.names.isEmpty());
    QVERIFY(ui.shown.isEmpty());
  }

  // The update started for an unknown domain runs in always mode: the directory is not empty,
  // yet it is refilled, and leaving the field again finds the provider.
  void unknownDomainIsFoundAfterTheUpdate() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    RecordedThreads threads;
    HttpTestServer server;
    const QStringList newProvider{"新邮", "smtp.new.example", "587", "true",
                                  "2",    "new.example",      "新"};
    QVERIFY(server.putFile("download/mass.txt",
                           ProviderList({ProviderLine(kQq), ProviderLine(newProvider)})));
    QVERIFY(server.start());
    SetMakerSiteAddressForTesting(server.baseUrl());
    QVERIFY(AddDirectoryRow(kQq));
    TFormEmailAccountSet dialog;
    const Controls c = controls(dialog);
    c.email->setText("boss@new.example");
    dialog.LabeledEditEmailExit();
    QCOMPARE(threads.names, QStringList{"provider-directory"});
    threads.bodies.front()();
    SetMakerSiteAddressForTesting(QString());
    QCOMPARE(c.smtp->text(), QString());  // no repeat of the look-up by itself
    dialog.LabeledEditEmailExit();
    QCOMPARE(filled(c), QStringLiteral("新|企业邮箱|新邮|smtp.new.example|587|checked"));
  }

  void enterMovesTheFocusLikeTab() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    RecordedThreads threads;
    QVERIFY(AddDirectoryRow(kQq));
    TFormEmailAccountSet dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const Controls c = controls(dialog);
    c.email->setFocus();
    QTest::keyClicks(c.email, "zhang@qq.com");
    QTest::keyClick(c.email, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), c.login);
    // Moving on left the e-mail field: the look-up ran.
    QCOMPARE(c.login->text(), QStringLiteral("zhang@qq.com"));
    QCOMPARE(c.smtp->text(), QStringLiteral("smtp.qq.com"));
    QTest::keyClick(c.login, Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), c.password);
    QVERIFY(dialog.isVisible());  // Enter never presses a button
  }

  void save_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("needLogin");
    QTest::addColumn<QString>("stored");  // "" = not saved
    QTest::newRow("no type chosen stores 0")
        << -1 << "pw"
        << "465" << true << "QQ邮箱|smtp.qq.com|hr@qq.com|pw|465|1|hr@qq.com|0";
    QTest::newRow("personal stores 1")
        << 0 << "pw"
        << "465" << true << "QQ邮箱|smtp.qq.com|hr@qq.com|pw|465|1|hr@qq.com|1";
    QTest::newRow("enterprise stores 2, no login")
        << 1 << "pw"
        << "25" << false << "QQ邮箱|smtp.qq.com|hr@qq.com|pw|25|0|hr@qq.com|2";
    QTest::newRow("single quotes in the password kept")
        << 0 << "it's ''x\""
        << "465" << true << "QQ邮箱|smtp.qq.com|hr@qq.com|it's ''x\"|465|1|hr@qq.com|1";
    QTest::newRow("port abc rejected") << 0 << "pw"
                                       << "abc" << true << "";
    QTest::newRow("empty port rejected") << 0 << "pw"
                                         << "" << true << "";
  }
  void save() {
    QFETCH(int, type);
    QFETCH(QString, password);
    QFETCH(QString, port);
    QFETCH(bool, needLogin);
    QFETCH(QString, stored);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    TFormEmailAccountSet dialog;
    const Controls c = controls(dialog);
    fillAccount(c, type, password, port, needLogin);
    trigger(dialog, "ActionSave");
    QCOMPARE(ui.messages().size(), 1);
    if (stored.isEmpty()) {
      QVERIFY(AccountRows().isEmpty());
      const QString message = ui.messages().first();
      QVERIFY2(message.startsWith(QStringLiteral("保存失败!")), qPrintable(message));
      QVERIFY(message.contains(QStringLiteral("\r\n错误\r\ninsert into smtp_server(")));
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
      QCOMPARE(c.port->currentText(), port);  // everything stays as typed
      return;
    }
    QCOMPARE(AccountRows(), QStringList{stored});
    QCOMPARE(ui.messages(), QStringList{"保存成功!"});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void savingTwiceAddsTwoRows() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    for (int i = 0; i < 2; ++i) {
      TFormEmailAccountSet dialog;
      fillAccount(controls(dialog), 0, "pw", "465", true);
      trigger(dialog, "ActionSave");
    }
    const QStringList rows = AccountRows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0], rows[1]);
  }

  void emptyServer_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("test") << "ActionTest";
    QTest::newRow("save") << "ActionSave";
  }
  void emptyServer() {
    QFETCH(QString, action);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    TFormEmailAccountSet dialog;
    controls(dialog).email->setText("hr@qq.com");
    trigger(dialog, qPrintable(action));
    QCOMPARE(ui.messages(), QStringList{"请录入SMTP服务器信息！"});
    QVERIFY(ui.modalWindows().isEmpty());
    QVERIFY(AccountRows().isEmpty());
  }

  void testOpensTheTestWindowWithTheTypedValues() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    QTcpServer smtp;
    QVERIFY(smtp.listen(QHostAddress::LocalHost));
    TFormEmailAccountSet dialog;
    const Controls c = controls(dialog);
    c.smtp->setText("127.0.0.1");
    c.port->setEditText(QString::number(smtp.serverPort()));
    c.login->setText("hr@qq.com");
    c.password->setText("p'w");
    c.needLogin->setChecked(false);
    QString seen;
    ui.onModal = [&](QDialog *window) {
      auto *test = qobject_cast<TFormTestSMTPServer *>(window);
      if (test)
        seen = QStringList{test->Host, QString::number(test->Port), test->NeedLogin ? "1" : "0",
                           test->LoginName, test->Password}
                   .join('|');
      return int(QDialog::Rejected);
    };
    trigger(dialog, "ActionTest");
    QCOMPARE(ui.modalWindows(), QStringList{"TFormTestSMTPServer"});
    QCOMPARE(seen, QStringLiteral("127.0.0.1|%1|0|hr@qq.com|p'w").arg(smtp.serverPort()));
    QVERIFY(AccountRows().isEmpty());  // testing saves nothing
  }

  void testPortFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::newRow("number") << "587" << 587;
    QTest::newRow("abc") << "abc" << 25;
    QTest::newRow("empty") << "" << 25;
    QTest::newRow("trailing letters") << "465s" << 25;
    QTest::newRow("too large for 32 bits") << "99999999999" << 25;
    QTest::newRow("signed") << "-1" << -1;
  }
  void testPortFromText() {
    QFETCH(QString, text);
    QFETCH(int, port);
    QCOMPARE(TestPortFromText(text), port);
  }

  // A failed save shows the statement, but never the password.
  void failedSaveMasksThePassword_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("serverName");
    QTest::newRow("port abc") << "Geheim-Pa55"
                              << "abc"
                              << "QQ邮箱";
    QTest::newRow("quotes in the password") << "it's ''x\""
                                            << "abc"
                                            << "QQ邮箱";
    QTest::newRow("short password") << "pw"
                                    << "abc"
                                    << "QQ邮箱";
    QTest::newRow("name too long") << "Geheim-Pa55"
                                   << "25" << QString(51, QLatin1Char('x'));
  }
  void failedSaveMasksThePassword() {
    QFETCH(QString, password);
    QFETCH(QString, port);
    QFETCH(QString, serverName);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    TFormEmailAccountSet dialog;
    const Controls c = controls(dialog);
    fillAccount(c, 0, password, port, true);
    c.boxName->setEditText(serverName);
    trigger(dialog, "ActionSave");
    QCOMPARE(ui.messages().size(), 1);
    const QString message = ui.messages().first();
    QVERIFY2(message.startsWith(QStringLiteral("保存失败!")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("'hr@qq.com',******,") + port + ","),
             qPrintable(message));
    QVERIFY2(!message.contains(QuotedSqlText(password)), qPrintable(message));
    if (password.size() > 2) QVERIFY2(!message.contains(password), qPrintable(message));
    QVERIFY(AccountRows().isEmpty());
    QCOMPARE(c.password->text(), password);  // the field itself keeps it
  }

  void savePortBounds_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("saved");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("25") << "25" << true;
    QTest::newRow("65535") << "65535" << true;
    QTest::newRow("65536") << "65536" << false;
    QTest::newRow("105351") << "105351" << false;
    QTest::newRow("-1") << "-1" << false;
    QTest::newRow("beyond 64 bits") << "99999999999999999999" << false;
    QTest::newRow("with a blank") << " 105351" << false;
  }
  void savePortBounds() {
    QFETCH(QString, port);
    QFETCH(bool, saved);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    TFormEmailAccountSet dialog;
    fillAccount(controls(dialog), 0, "pw", port, true);
    trigger(dialog, "ActionSave");
    if (saved) {
      QCOMPARE(ui.messages(), QStringList{"保存成功!"});
      QCOMPARE(AccountRows().size(), 1);
      QCOMPARE(AccountRows().first().section('|', 4, 4), port);
      return;
    }
    QCOMPARE(ui.messages(), QStringList{QStringLiteral("保存失败!端口号无效：") + port +
                                        QStringLiteral("（端口号应为1到65535之间的整数）")});
    QVERIFY(AccountRows().isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }
};

QTEST_MAIN(TestAccountEditor)
#include "tst_account_editor.moc"
