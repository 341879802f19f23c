#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "app/Application.h"
#include "data/Clock.h"
#include "data/ProgramFolder.h"
#include "services/FeedbackMail.h"
#include "services/MakerSite.h"
#include "services/UfrmSendMeEmail.h"
#include "support/ScriptedInteraction.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"

namespace {
const QString kNoAccount = QStringLiteral("您没有设置邮件服务器信息，请设置。");

// Draws the given account indexes in turn.
class ChosenDraws : public Clock {
 public:
  QList<int> picks;
  int randomBelow(int bound) override {
    const int pick = picks.isEmpty() ? 0 : picks.takeFirst();
    return qBound(0, pick, bound - 1);
  }
};

bool addAccount(const QString &name, const QString &host, int port, const QString &address) {
  return Exec(QStringLiteral("insert into smtp_server(server_name,host,username,pwd,port,login,"
                             "emailaddress,email_type) values('%1','%2','hr@example.com',"
                             "'secret',%3,false,'%4',1)")
                  .arg(name, host)
                  .arg(port)
                  .arg(address));
}

struct Window {
  TFormSendMeEmail form;
  QPlainTextEdit *memo;
  QPushButton *submit;
  Window() {
    memo = form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
    submit = form.findChild<QPushButton *>(QStringLiteral("ButtonSubmit"));
    form.show();
  }
};
}  // namespace

class TestFeedback : public QObject {
  Q_OBJECT

 private slots:
  void init() { Clock::setInstance(&draws_); }
  void cleanup() { Clock::setInstance(nullptr); }

  void windowTexts() {
    TestProgramFolder folder;
    Window w;
    QVERIFY(w.memo && w.submit);
    QCOMPARE(w.form.windowTitle(), QStringLiteral("问题反馈"));
    QCOMPARE(w.form.size(), QSize(784, 562));
    QCOMPARE(w.submit->text(), QStringLiteral("提交&S"));
    QVERIFY(w.memo->toPlainText().isEmpty());
    auto *status = w.form.findChild<QLabel *>(QStringLiteral("StatusPanel"));
    QCOMPARE(status->text(),
             QStringLiteral("提示：您可以在这里描述您的问题并提交给我们。亦可直接发邮件给我们."
                            "Email: ") +
                 MakerFeedbackAddress());
    QVERIFY(w.form.findChild<QLabel *>(QStringLiteral("Label1"))->text() ==
            QStringLiteral("请描述您的问题："));
  }

  // Enter moves on as Tab does, except in the text, where it starts a new line.
  void enterKey() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    ScriptedInteraction ui;
    Window w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.memo->setFocus();
    QTest::keyClicks(w.memo, QStringLiteral("a"));
    QTest::keyClick(w.memo, Qt::Key_Return);
    QTest::keyClicks(w.memo, QStringLiteral("b"));
    QCOMPARE(w.memo->toPlainText(), QStringLiteral("a\nb"));
    w.submit->setFocus();
    QTest::keyClick(w.submit, Qt::Key_Return);
    QVERIFY(ui.shown.isEmpty());  // swallowed, not a submission
    QVERIFY(w.memo->hasFocus());
  }

  void body_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("body");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("one line") << "打不开工资表"
                              << "打不开工资表<br>";
    QTest::newRow("three lines") << "第一行\n第二行\n第三行"
                                 << "第一行<br>第二行<br>第三行<br>";
    QTest::newRow("markup stays") << "<b>粗体</b> & a<b"
                                  << "<b>粗体</b> & a<b<br>";
    QTest::newRow("final line break") << "a\n"
                                      << "a<br>";
    QTest::newRow("empty lines") << "\n\nx"
                                 << "<br><br>x<br>";
    QTest::newRow("CR LF") << "a\r\nb"
                           << "a<br>b<br>";
  }
  void body() {
    QFETCH(QString, text);
    QFETCH(QString, body);
    QCOMPARE(FeedbackMail::Body(text), body);
  }

  // No account: the message and the settings window; nothing sent, the text kept. After an
  // account has been added there, the next press sends.
  void noAccountOpensTheSettings() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    SmtpTestServer smtp;
    QVERIFY(smtp.start());
    ScriptedInteraction ui;
    Window w;
    w.memo->setPlainText(QStringLiteral("问题"));
    ui.onModal = [&](QDialog *) {
      addAccount(QStringLiteral("本地"), smtp.host(), smtp.port(), QStringLiteral("a@example.com"));
      return 0;
    };
    QTest::mouseClick(w.submit, Qt::LeftButton);
    QCOMPARE(ui.messages(), QStringList{kNoAccount});
    QCOMPARE(ui.modalWindows(), QStringList{"TFormSetSMTPServer"});
    QVERIFY(w.form.isVisible());
    QCOMPARE(w.memo->toPlainText(), QStringLiteral("问题"));
    QVERIFY(smtp.received().isEmpty());

    ui.clear();
    QTest::mouseClick(w.submit, Qt::LeftButton);
    QCOMPARE(ui.messages(), QStringList{"提交成功！"});
    QTRY_COMPARE(smtp.received().size(), 1);
  }

  void noAccountAndNoDatabase() {
    TestProgramFolder folder;
    QFile blocker(folder.file(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetProgramFolderForTesting(folder.file(QStringLiteral("blocker/sub")));
    ScriptedInteraction ui;
    Window w;
    QTest::mouseClick(w.submit, Qt::LeftButton);
    QCOMPARE(ui.messages().size(), 2);
    QCOMPARE(ui.messages()[0], kNoAccount);
    QVERIFY(ui.messages()[1].startsWith(QStringLiteral("打开数据库错误：")));
    QVERIFY(ui.messages()[1].endsWith(QStringLiteral("\r无法继续操作！")));
    QVERIFY(ui.modalWindows().isEmpty());
  }

  // Two accounts: each press draws one; the maker receives the text line by line with "<br>".
  void sendsThroughEitherAccount() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    SmtpTestServer smtp;
    QVERIFY(smtp.start());
    QVERIFY(addAccount(QStringLiteral("甲"), smtp.host(), smtp.port(),
                       QStringLiteral("first@example.com")));
    QVERIFY(addAccount(QStringLiteral("乙"), smtp.host(), smtp.port(),
                       QStringLiteral("second@example.com")));
    const QString text = QStringLiteral("第一行 <b>粗</b>\n二 & 三\n第三行");
    draws_.picks = {1, 0};
    for (int i = 0; i < 2; ++i) {
      ScriptedInteraction ui;
      Window w;
      w.memo->setPlainText(text);
      QTest::mouseClick(w.submit, Qt::LeftButton);
      QCOMPARE(ui.messages(), QStringList{"提交成功！"});
      QVERIFY(!w.form.isVisible());
      QCOMPARE(w.form.result(), int(QDialog::Accepted));
    }
    QTRY_COMPARE(smtp.received().size(), 2);
    const QJsonObject mail = smtp.received().first();
    QCOMPARE(mail["mail_from"].toString(), QStringLiteral("second@example.com"));
    QCOMPARE(smtp.received().last()["mail_from"].toString(), QStringLiteral("first@example.com"));
    QCOMPARE(mail["rcpt_tos"].toArray().first().toString(), MakerFeedbackAddress());
    QCOMPARE(mail["subject"].toString(), QStringLiteral("payslip问题反馈"));
    QCOMPARE(mail["content_type"].toString(), QStringLiteral("text/html"));
    QCOMPARE(mail["charset"].toString().toLower(), QStringLiteral("utf-8"));
    QCOMPARE(mail["body"].toString(), QStringLiteral("第一行 <b>粗</b><br>二 & 三<br>第三行<br>"));
  }

  void refusedSendKeepsTheWindow() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    SmtpTestServer::Options options;
    options.replyToData = QStringLiteral("554 5.7.1 Message rejected");
    SmtpTestServer smtp;
    QVERIFY(smtp.start(options));
    QVERIFY(addAccount(QStringLiteral("甲"), smtp.host(), smtp.port(),
                       QStringLiteral("first@example.com")));
    ScriptedInteraction ui;
    Window w;
    w.memo->setPlainText(QStringLiteral("还在吗"));
    QTest::mouseClick(w.submit, Qt::LeftButton);
    QCOMPARE(ui.messages().size(), 1);
    QVERIFY2(ui.messages()[0].startsWith(QStringLiteral("提交失败！554 5.7.1 Message rejected")),
             qPrintable(ui.messages()[0]));
    QVERIFY(w.form.isVisible());
    QCOMPARE(w.memo->toPlainText(), QStringLiteral("还在吗"));
    QVERIFY(w.submit->isEnabled());
    QVERIFY(!w.memo->isReadOnly());
  }

  void accountWithoutHost() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(addAccount(QStringLiteral("空"), QString(), 25, QStringLiteral("a@example.com")));
    ScriptedInteraction ui;
    Window w;
    QTest::mouseClick(w.submit, Qt::LeftButton);
    QCOMPARE(ui.messages(), QStringList{"获取邮件服务器信息失败：,无法提交问题！"});
    QVERIFY(w.form.isVisible());
  }

 private:
  ChosenDraws draws_;
};

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  TestFeedback test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_feedback.moc"
