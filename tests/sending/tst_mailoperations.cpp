#include <QTest>
#include <limits>

#include "data/Clock.h"
#include "sending/MailOperations.h"
#include "support/TestDatabase.h"

namespace {
// Draws what the test says, and records the bounds it was asked for.
class ChosenDraws : public Clock {
 public:
  QList<int> draws;
  QList<int> bounds;
  int randomBelow(int bound) override {
    bounds << bound;
    return draws.isEmpty() ? 0 : draws.takeFirst();
  }
};

void addAccount(int id, const QString &name, const QString &host, int port, bool login) {
  QVERIFY(Exec(QStringLiteral("insert into smtp_server(server_id,server_name,host,username,pwd,"
                              "port,login,emailaddress,email_type) values(%1,'%2','%3','u%1',"
                              "'p''%1',%4,%5,'hr%1@example.com',0)")
                   .arg(id)
                   .arg(name, host)
                   .arg(port)
                   .arg(login ? QStringLiteral("true") : QStringLiteral("false"))));
}

SmtpAccount untouchedAccount() {
  SmtpAccount account;
  account.host = QStringLiteral("untouched");
  account.port = 1;
  account.login = false;
  return account;
}
}  // namespace

// The account look-up and the counts on a real payslip.mdb.
class TestMailOperations : public QObject {
  Q_OBJECT

 private slots:
  void readsTheChosenAccount();
  void failuresLeaveTheAccountAlone_data();
  void failuresLeaveTheAccountAlone();
  void randomModeDrawsEachTime();
  void serverCount();
  void todaySendCount();
  void storedPortIsReadWithoutWrapping_data();
  void storedPortIsReadWithoutWrapping();
};

void TestMailOperations::readsTheChosenAccount() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  addAccount(3, QStringLiteral("公司邮箱"), QStringLiteral("smtp.corp.example.cn"), 465, true);
  addAccount(7, QStringLiteral("relay"), QStringLiteral("10.1.2.3"), 25, false);

  SmtpAccount account;
  QString error = QStringLiteral("kept");
  QVERIFY(GetSMTPServerInfo(3, false, account, error));
  QCOMPARE(error, QStringLiteral("kept"));
  QCOMPARE(account.host, QStringLiteral("smtp.corp.example.cn"));
  QCOMPARE(account.username, QStringLiteral("u3"));
  QCOMPARE(account.pwd, QStringLiteral("p'3"));
  QCOMPARE(account.serverName, QStringLiteral("公司邮箱"));
  QCOMPARE(account.port, 465);
  QCOMPARE(account.login, true);
  QCOMPARE(account.emailAddress, QStringLiteral("hr3@example.com"));

  QVERIFY(GetSMTPServerInfo(7, false, account, error));
  QCOMPARE(account.serverName, QStringLiteral("relay"));
  QCOMPARE(account.login, false);
}

void TestMailOperations::failuresLeaveTheAccountAlone_data() {
  QTest::addColumn<bool>("withAccounts");
  QTest::addColumn<bool>("dropTable");
  QTest::addColumn<bool>("random");
  QTest::addColumn<QString>("error");
  QTest::newRow("unknown id") << true << false << false << "没有找到邮件服务器信息";
  QTest::newRow("random with no accounts") << false << false << true << "查询服务器信息失败！";
  QTest::newRow("query fails") << true << true << false << "查询服务器信息失败！";
  QTest::newRow("random query fails") << true << true << true << "查询服务器信息失败！";
}

void TestMailOperations::failuresLeaveTheAccountAlone() {
  QFETCH(bool, withAccounts);
  QFETCH(bool, dropTable);
  QFETCH(bool, random);
  QFETCH(QString, error);
  TestProgramFolder folder;
  QVERIFY(folder.open());
  if (withAccounts)
    addAccount(3, QStringLiteral("a"), QStringLiteral("smtp.example.com"), 25, true);
  if (dropTable) QVERIFY(Exec(QStringLiteral("drop table smtp_server")));

  SmtpAccount account = untouchedAccount();
  QString text;
  QVERIFY(!GetSMTPServerInfo(99, random, account, text));
  QCOMPARE(text, error);
  QCOMPARE(account.host, QStringLiteral("untouched"));
  QCOMPARE(account.port, 1);
  QCOMPARE(account.login, false);
}

void TestMailOperations::randomModeDrawsEachTime() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  addAccount(9, QStringLiteral("nine"), QStringLiteral("h9"), 25, true);
  addAccount(3, QStringLiteral("three"), QStringLiteral("h3"), 25, true);
  addAccount(7, QStringLiteral("seven"), QStringLiteral("h7"), 25, true);
  ChosenDraws clock;
  clock.draws = {1, 1, 2, 0};
  Clock::setInstance(&clock);
  QStringList used;
  for (int i = 0; i < 4; ++i) {
    SmtpAccount account;
    QString error;
    // The id given is not used in random mode.
    QVERIFY(GetSMTPServerInfo(12345, true, account, error));
    used << account.serverName;
  }
  Clock::setInstance(nullptr);
  // The draw indexes the accounts in server_id order; the same one may serve twice in a row.
  QCOMPARE(used, (QStringList{"seven", "seven", "nine", "three"}));
  QCOMPARE(clock.bounds, (QList<int>{3, 3, 3, 3}));
}

void TestMailOperations::serverCount() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  QCOMPARE(GetSMTPServerCount(), 0);
  addAccount(1, QStringLiteral("a"), QStringLiteral("h"), 25, true);
  addAccount(2, QStringLiteral("b"), QStringLiteral("h"), 25, true);
  QCOMPARE(GetSMTPServerCount(), 2);
  QVERIFY(Exec(QStringLiteral("drop table smtp_server")));
  QCOMPARE(GetSMTPServerCount(), 0);
}

void TestMailOperations::todaySendCount() {
  TestProgramFolder folder;
  QVERIFY(folder.open());
  QCOMPARE(GetTodaySendCount(), 0);
  // Rows as the archive gets them: send_time is the creation date from the column default.
  QVERIFY(Exec(QStringLiteral("insert into slip(f2,send_status) values('sent today',true)")));
  QVERIFY(Exec(QStringLiteral("insert into slip(f2,send_status) values('also today',1)")));
  QVERIFY(Exec(QStringLiteral("insert into slip(f2,send_status) values('unsent',false)")));
  QVERIFY(
      Exec(QStringLiteral("insert into slip(f2,send_status,send_time) values('yesterday',"
                          "true,date('now','localtime','-1 day'))")));
  QCOMPARE(GetTodaySendCount(), 2);
  QVERIFY(Exec(QStringLiteral("drop table slip")));
  QCOMPARE(GetTodaySendCount(), 0);
}

void TestMailOperations::storedPortIsReadWithoutWrapping_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<int>("port");
  QTest::newRow("in range") << "587" << 587;
  QTest::newRow("beyond 16 bits stays beyond") << "105351" << 105351;
  // 2^32 + 25: cut to 32 bits it would read 25 and be sent to.
  QTest::newRow("beyond 32 bits does not wrap") << "4294967321" << std::numeric_limits<int>::max();
  QTest::newRow("far below") << "-4294967321" << std::numeric_limits<int>::min();
}

void TestMailOperations::storedPortIsReadWithoutWrapping() {
  QFETCH(QString, stored);
  QFETCH(int, port);
  TestProgramFolder folder;
  QVERIFY(folder.open());
  QVERIFY(Exec("insert into smtp_server(server_id,host,port) values(1,'smtp.example.cn'," + stored +
               ")"));
  SmtpAccount account;
  QString error;
  QVERIFY(GetSMTPServerInfo(1, false, account, error));
  QCOMPARE(account.port, port);
}

QTEST_GUILESS_MAIN(TestMailOperations)
#include "tst_mailoperations.moc"
