// From the main window's "读入工资表开始新的发送&R" to mailed payslips: the sample workbook is
// imported, converted and sent through the local SMTP server; every employee receives their own
// payslip, the batch reads all sent and the conversion window closes itself.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include "app/AppWindows.h"
#include "app/UfrmMain.h"
#include "data/Clock.h"
#include "payslip/UfrmReadASheetAndSendIt.h"
#include "sending/UfrmSend.h"
#include "support/ScriptedInteraction.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"
#include "support/TestPaths.h"
#include "threads/BackgroundThread.h"

namespace {
// Pacing without waiting.
class InstantClock : public Clock {
 public:
  void sleepMs(int) override {}
};

struct Recipient {
  QString name;
  QString address;
};

QList<Recipient> batch() {
  QList<Recipient> out;
  QString error;
  DbQuery &query = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(QStringLiteral("select f2,email_address from payslip order by payslip_id"), query,
               error))
    return out;
  for (; !query.eof(); query.next())
    out.append({query.field(0).toString(), query.field(1).toString()});
  return out;
}

int unsentCount() {
  DbConnection connection;
  connection.setDatabasePath(PayslipDatabasePath());
  DbQuery query(connection);
  QString error;
  if (!query.open(QStringLiteral("select count(*) from payslip where send_status=0"), error))
    return -1;
  return query.field(0).toInt();
}

// Chooses the account in the send window's chooser, whatever the item carries.
bool chooseAccount(QComboBox *chooser, int serverId, const QString &name) {
  int at = chooser->findData(serverId);
  if (at < 0) at = chooser->findData(QString::number(serverId));
  if (at < 0) at = chooser->findText(name);
  if (at < 0) return false;
  chooser->setCurrentIndex(at);
  return true;
}
}  // namespace

class TestImportEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void sampleWorkbookFromImportToMail() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    SmtpTestServer smtp;
    QVERIFY(smtp.start());
    QVERIFY(Exec(QStringLiteral("insert into smtp_server(server_name,host,username,pwd,port,login,"
                                "emailaddress) values('本地','127.0.0.1','hr@example.com','',%1,0,"
                                "'hr@example.com')")
                     .arg(smtp.port())));
    const int serverId = Scalar("select max(server_id) from smtp_server").toInt();

    InstantClock clock;
    Clock::setInstance(&clock);
    SetBackgroundStarter([](const char *, std::function<void()>) {});
    ClearRegisteredWindows();
    RegisterStandardWindows();
    ScriptedInteraction ui;
    ui.fileNames.push_back(SourceDir() + QStringLiteral("/resources/工资表样例.xls"));

    QList<Recipient> converted;
    bool accountChosen = false;
    bool sendFinished = false;
    bool conversionClosedItself = false;
    ui.onModal = [&](QDialog *dialog) {
      if (auto *conversion = qobject_cast<TFormReadASheetAndSendIt *>(dialog)) {
        conversion->show();
        conversion->findChild<QAction *>(QStringLiteral("ActionSend"))->trigger();
        conversionClosedItself = !conversion->isVisible();
      } else if (auto *send = qobject_cast<TFormSend *>(dialog)) {
        converted = batch();
        send->show();
        accountChosen =
            chooseAccount(send->findChild<QComboBox *>(QStringLiteral("wwDBComboBoxSMTPServer")),
                          serverId, QStringLiteral("本地"));
        // The window paces with real timers: no interval between the test's mails.
        send->findChild<QSpinBox *>(QStringLiteral("EditInteval"))->setValue(0);
        send->findChild<QAction *>(QStringLiteral("ActionSend"))->trigger();
        sendFinished = QTest::qWaitFor([] { return unsentCount() == 0; }, 60000);
        send->close();
      }
      return int(QDialog::Accepted);
    };

    TFormMain mainWindow;
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    auto *load = mainWindow.findChild<QPushButton *>(QStringLiteral("ButtonLoad"));
    QVERIFY(load->isEnabled());
    load->click();

    Clock::setInstance(nullptr);
    SetBackgroundStarter(nullptr);
    QCOMPARE(ui.modalWindows().mid(0, 2), (QStringList{"TFormReadASheetAndSendIt", "TFormSend"}));
    QCOMPARE(converted.size(), 10);  // the sample's employees with an address
    QCOMPARE(converted[0].name, QStringLiteral("张伟"));
    QCOMPARE(converted[0].address, QStringLiteral("zhangwei@example.com"));
    QVERIFY(accountChosen);
    QVERIFY(sendFinished);
    QVERIFY(conversionClosedItself);
    QCOMPARE(mainWindow.statusBar1()->currentMessage(), QStringLiteral("处理完毕"));
    QCOMPARE(unsentCount(), 0);

    // Every employee received one mail, addressed to them and holding their own row.
    const QList<QJsonObject> mails = smtp.received();
    QCOMPARE(mails.size(), converted.size());
    for (const Recipient &r : converted) {
      const auto mail = std::find_if(mails.begin(), mails.end(), [&](const QJsonObject &m) {
        return m[QStringLiteral("rcpt_tos")].toArray().contains(r.address);
      });
      QVERIFY2(mail != mails.end(), qPrintable(r.address));
      QVERIFY2((*mail)[QStringLiteral("body")].toString().contains(r.name), qPrintable(r.name));
      for (const Recipient &other : converted)
        if (other.name != r.name)
          QVERIFY(!(*mail)[QStringLiteral("body")].toString().contains(other.address));
    }
  }
};

int main(int argc, char *argv[]) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TestImportEndToEnd test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_import_endtoend.moc"
