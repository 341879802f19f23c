#include <QDate>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QThread>
#include <atomic>

#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "support/TestDatabase.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

QStringList tableNames() {
  QStringList names;
  QString error;
  DbQuery &q = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(QStringLiteral("select name from sqlite_master where type='table' and "
                              "name not like 'sqlite_%' order by name"),
               q, error))
    return {QStringLiteral("error: ") + error};
  for (; !q.eof(); q.next()) names << q.field(0).toString();
  return names;
}

QStringList columnNames(const QString &table) {
  return DataModule1->ADOConnectionAccess.database().record(table).isEmpty() ? QStringList() : [&] {
    QStringList out;
    const QSqlRecord r = DataModule1->ADOConnectionAccess.database().record(table);
    for (int i = 0; i < r.count(); ++i) out << r.fieldName(i);
    return out;
  }();
}
}  // namespace

class TestDatabase : public QObject {
  Q_OBJECT

 private slots:
  void firstOpenCreatesTheFileWithItsTables() {
    TestProgramFolder folder;
    QVERIFY(!QFile::exists(folder.file(QStringLiteral("payslip.mdb"))));
    QString error = QStringLiteral("untouched");
    QVERIFY(OpenPayslipDatabase(error));
    QVERIFY(QFile::exists(folder.file(QStringLiteral("payslip.mdb"))));
    QCOMPARE(tableNames(),
             (QStringList{"payslip", "sheet_choise", "slip", "smtp_server", "smtpservers"}));
    const QStringList payslipColumns{
        "payslip_id", "f1",          "f2",          "f3",        "email_address",
        "html_str",   "send_status", "smtp_server", "send_time", "excel_file_name",
        "err_msg",    "row_number"};
    QCOMPARE(columnNames("payslip"), payslipColumns);
    QCOMPARE(columnNames("slip"), payslipColumns);
    QCOMPARE(columnNames("smtp_server"),
             (QStringList{"server_id", "server_name", "host", "username", "pwd", "port", "login",
                          "emailaddress", "email_type"}));
    QCOMPARE(columnNames("smtpservers"),
             (QStringList{"server_id", "server_name", "host", "port", "login", "email_type",
                          "domain_name", "memo"}));
    QCOMPARE(columnNames("sheet_choise"),
             (QStringList{"choise_id", "sheet_id", "sheet_name", "selected"}));
  }

  void newRowsTakeTheirDefaults() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(Exec("insert into payslip(f1, email_address) values('A001', 'a@b.cn')"));
    QVERIFY(Exec("insert into payslip(f1) values('A002')"));
    QCOMPARE(Scalar("select payslip_id from payslip where f1='A002'").toInt(), 2);
    QCOMPARE(Scalar("select count(*) from payslip where send_status=false").toInt(), 2);
    QCOMPARE(Scalar("select count(*) from payslip where send_status=0").toInt(), 2);
    QCOMPARE(Scalar("select send_time from payslip where f1='A001'").toString(),
             QDate::currentDate().toString(Qt::ISODate));
    QVERIFY(Exec("insert into smtp_server(server_name) values('办公')"));
    QCOMPARE(Scalar("select port from smtp_server").toInt(), 25);
    QCOMPARE(Scalar("select count(*) from smtp_server where login=true").toInt(), 1);
    QVERIFY(Exec("insert into sheet_choise(sheet_id, sheet_name) values(1, 'x')"));
    QCOMPARE(Scalar("select selected from sheet_choise").toInt(), 0);
  }

  void statementsOfTheProgramRun_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("boolean literals") << "select count(*) from payslip where send_status=false";
    QTest::newRow("bracketed column") << "update payslip set [send_status]=true where payslip_id=1";
    QTest::newRow("bracket after table")
        << "select smtp_server.[host] from smtp_server where smtp_server.[port]=25";
    QTest::newRow("memo in brackets") << "select [memo] from smtpservers";
    QTest::newRow("chinese aliases")
        << "select server_name as 名称, host as 发件服务器, port as 端口号 from smtp_server";
    QTest::newRow("random row") << "select * from smtp_server order by random() limit 1";
    QTest::newRow("today") << "select count(*) from slip where send_status=true and "
                              "send_time=date('now','localtime')";
    QTest::newRow("selected=true") << "select * from sheet_choise where selected=true";
  }
  void statementsOfTheProgramRun() {
    QFETCH(QString, sql);
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QString error;
    DbQuery &q = DataModule1->ADOQueryAccessComm;
    const bool ok = sql.startsWith("select") ? SqlOpen(sql, q, error) : SqlExec(sql, q, error);
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(error, QStringLiteral("Success"));
  }

  void namedParameters() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    DbQuery &q = DataModule1->ADOQueryAccessComm;
    QString error;
    QVERIFY(
        q.prepare("insert into payslip(f1,f2,email_address,html_str,row_number) "
                  "values(:f1,:f2,:email,:html,:row)",
                  error));
    q.bindValue(":f1", "A001");
    q.bindValue(":f2", "张伟");
    q.bindValue(":email", "zw@example.com");
    q.bindValue(":html", QString(100000, QLatin1Char('x')));
    q.bindValue(":row", 3);
    QVERIFY2(q.execPrepared(error), qPrintable(error));
    QCOMPARE(Scalar("select length(html_str) from payslip where f2='张伟'").toInt(), 100000);
  }

  void overlongTextFailsWithTheStatementInTheError() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    const QString sql =
        QStringLiteral("insert into payslip(f1) values('%1')").arg(QString(51, QChar(u'工')));
    QString error;
    QVERIFY(!SqlExec(sql, DataModule1->ADOQueryAccessComm, error));
    QVERIFY2(error.endsWith(kCrLf + QStringLiteral("错误") + kCrLf + sql), qPrintable(error));
    QVERIFY(error.size() > (kCrLf + "错误" + kCrLf + sql).size());  // the engine's message first
    QCOMPARE(Scalar("select count(*) from payslip").toInt(), 0);
    // Exactly 50 characters fit.
    QVERIFY(Exec(QStringLiteral("insert into payslip(f1) values('%1')").arg(QString(50, u'工'))));
  }

  void syntaxErrorInASelect() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    DbQuery &q = DataModule1->ADOQueryAccessComm;
    QString error;
    QVERIFY(SqlOpen("select 1", q, error));
    QVERIFY(q.isOpen());
    QVERIFY(!SqlOpen("selec count(*) from payslip", q, error));
    QVERIFY2(error.endsWith(kCrLf + QStringLiteral("错误")), qPrintable(error));
    QVERIFY(error.contains("syntax error"));
    QVERIFY(!q.isOpen());
  }

  void selectResultIsReadable() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    for (int i = 1; i <= 3; ++i)
      QVERIFY(Exec(QStringLiteral("insert into payslip(f2, row_number) values('n%1', %1)").arg(i)));
    DbQuery &q = DataModule1->ADOQueryAccessComm;
    QString error;
    QVERIFY(SqlOpen("select f2, row_number from payslip order by row_number", q, error));
    QCOMPARE(q.recordCount(), 3);
    QCOMPARE(q.fieldByName("f2").toString(), QStringLiteral("n1"));
    q.next();
    QCOMPARE(q.field(1).toInt(), 2);
    QCOMPARE(q.recordCount(), 3);
    QCOMPARE(q.fieldByName("f2").toString(), QStringLiteral("n2"));
  }

  void secondOpenReturnsAtOnce() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QCOMPARE(Scalar("select count(*) from payslip").toInt(), 0);
    QString error = QStringLiteral("untouched");
    QVERIFY(OpenPayslipDatabase(error));
    QCOMPARE(error, QStringLiteral("untouched"));
  }

  void existingFileIsUsedAsItIs() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(Exec("insert into smtp_server(server_name) values('kept')"));
    // A later run: a new data module on the same folder.
    TDataModule1 *first = DataModule1;
    {
      TDataModule1 second;
      DataModule1 = &second;
      QString error;
      QVERIFY(OpenPayslipDatabase(error));
      QCOMPARE(Scalar("select server_name from smtp_server").toString(), QStringLiteral("kept"));
      DataModule1 = first;
    }
  }

  void archiveCopiesTheRow() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(Exec("insert into slip(f1) values('older')"));  // the copy gets its own id
    QVERIFY(
        Exec("insert into payslip(f1,f2,f3,email_address,html_str,send_status,smtp_server,"
             "excel_file_name,err_msg,row_number) values('A001','张伟','财务部','zw@x.cn',"
             "'<html>工资</html>',true,'','book.xls','timeout',5)"));
    QVERIFY(ArchiveSentPayslip(1));
    DbQuery &q = DataModule1->ADOQueryAccessComm;
    QString error;
    QVERIFY(SqlOpen("select * from slip where payslip_id=2", q, error));
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.fieldByName("f1").toString(), QStringLiteral("A001"));
    QCOMPARE(q.fieldByName("f2").toString(), QStringLiteral("张伟"));
    QCOMPARE(q.fieldByName("f3").toString(), QStringLiteral("财务部"));
    QCOMPARE(q.fieldByName("email_address").toString(), QStringLiteral("zw@x.cn"));
    QCOMPARE(q.fieldByName("html_str").toString(), QStringLiteral("<html>工资</html>"));
    QCOMPARE(q.fieldByName("send_status").toInt(), 1);
    QCOMPARE(q.fieldByName("send_time").toString(), QDate::currentDate().toString(Qt::ISODate));
    QVERIFY(q.fieldByName("excel_file_name").isNull());
    QVERIFY(q.fieldByName("err_msg").isNull());
    QVERIFY(q.fieldByName("row_number").isNull());
  }

  void archiveOfAMissingRowCopiesNothing() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(ArchiveSentPayslip(42));
    QCOMPARE(Scalar("select count(*) from slip").toInt(), 0);
  }

  void uncreatableFileIsReported() {
    // A program folder that cannot hold a file (it lies below a plain file): unwritable even
    // for root, unlike a folder without write permission.
    TestProgramFolder folder;
    QFile blocker(folder.file("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetProgramFolderForTesting(folder.file("blocker/sub"));
    QString error;
    QVERIFY(!OpenPayslipDatabase(error));
    QVERIFY(!error.isEmpty());
    QVERIFY(error != QStringLiteral("Success"));
    QVERIFY(!DataModule1->ADOConnectionAccess.isOpen());
  }

  void foreignThreadUseAborts() {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_FOREIGN_THREAD_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(child.readAllStandardError().contains("does not own it"));
  }

  void backgroundWriterDoesNotLockOutTheWindowThread() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QCOMPARE(Scalar("select count(*) from smtpservers").toInt(), 0);
    std::atomic<bool> writerOk{true};
    std::atomic<bool> done{false};
    QString writerError;
    QThread *writer = QThread::create([&] {
      DbConnection connection;
      PointAtPayslipDatabase(connection);
      DbQuery query(connection);
      for (int round = 0; round < 20 && writerOk; ++round) {
        QSqlDatabase db = connection.database();
        QString error;
        if (!SqlExec("delete from smtpservers", query, error)) {
          writerOk = false;
          writerError = error;
          break;
        }
        db.transaction();
        for (int i = 0; i < 200; ++i) {
          if (!SqlExec(QStringLiteral("insert into smtpservers(server_name, host, domain_name) "
                                      "values('p%1', 'h', 'd')")
                           .arg(i),
                       query, error)) {
            writerOk = false;
            writerError = error;
            break;
          }
        }
        db.commit();
      }
      done = true;
    });
    writer->start();
    int reads = 0;
    while (!done) {
      QString error;
      DbQuery &q = DataModule1->ADOQueryAccessComm;
      QVERIFY2(SqlOpen("select count(*) from smtpservers", q, error), qPrintable(error));
      QVERIFY2(SqlExec("insert into sheet_choise(sheet_id) values(1)", q, error),
               qPrintable(error));
      ++reads;
    }
    writer->wait();
    delete writer;
    QVERIFY2(writerOk, qPrintable(writerError));
    QVERIFY(reads > 0);
    QCOMPARE(Scalar("select count(*) from smtpservers").toInt(), 200);
  }
};

// Run as a child process by foreignThreadUseAborts: uses a connection from a thread that does
// not own it, which must stop the program rather than touch the connection.
static int useConnectionFromForeignThread() {
  DbConnection connection;
  QThread *other = QThread::create([&] { connection.setDatabasePath(QStringLiteral(":memory:")); });
  other->start();
  other->wait();
  return 0;  // not reached
}

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  if (qEnvironmentVariableIsSet("KORVANE_FOREIGN_THREAD_CHILD"))
    return useConnectionFromForeignThread();
  TestDatabase test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_database.moc"
