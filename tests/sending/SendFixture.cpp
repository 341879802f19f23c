#include "SendFixture.h"

#include <QTest>

#include "data/Data.h"
#include "data/SqlText.h"
#include "sending/SendEngine.h"
#include "support/TestDatabase.h"

void RecordingClock::sleepMs(int milliseconds) {
  waitsMs << milliseconds;
  if (events) *events << QStringLiteral("wait %1").arg(milliseconds);
}

int RecordingClock::randomBelow(int bound) {
  bounds << bound;
  return draws.isEmpty() ? 0 : draws.takeFirst();
}

void EngineEvents::listen(SendEngine &engine) {
  QObject::connect(&engine, &SendEngine::progressed,
                   [this](int v) { events << QStringLiteral("progress %1").arg(v); });
  QObject::connect(&engine, &SendEngine::rowWritten,
                   [this](int i) { events << QStringLiteral("row %1").arg(i); });
  QObject::connect(&engine, &SendEngine::logLine, [this](const QString &line) {
    events << QStringLiteral("log ") + line;
    logLines << line;
  });
  QObject::connect(&engine, &SendEngine::archived,
                   [this](int i) { events << QStringLiteral("archived %1").arg(i); });
  QObject::connect(&engine, &SendEngine::statusText, [this](const QString &text) {
    events << QStringLiteral("status ") + text;
    statusTexts << text;
  });
  QObject::connect(&engine, &SendEngine::message, [this](const QString &text) {
    events << QStringLiteral("message ") + text;
    messages << text;
  });
  QObject::connect(&engine, &SendEngine::finished, [this](const SendPassResult &r) {
    sent = r.sent;
    failed = r.failed;
    stopped = r.stopped;
    recordFailed = r.recordFailed;
    events << QStringLiteral("finished %1/%2%3")
                  .arg(r.sent)
                  .arg(r.failed)
                  .arg(r.stopped ? QStringLiteral(" stopped") : QString());
  });
}

QStringList EngineEvents::only(const QStringList &kinds) const {
  QStringList out;
  for (const QString &e : events) {
    const QString kind = e.section(QLatin1Char(' '), 0, 0);
    if (!kinds.contains(kind)) continue;
    out << (kinds.size() == 1 ? e.mid(kind.size() + 1) : e);
  }
  return out;
}

QList<int> SendFixture::addPayslips(const QStringList &addresses, bool sent) {
  QList<int> ids;
  for (const QString &address : addresses) {
    const int n = static_cast<int>(ids.size()) + 1;
    Exec(QStringLiteral("insert into payslip(f2,email_address,html_str,send_status,"
                        "excel_file_name,row_number) values(%1,%2,%3,%4,'payroll.xls',%5)")
             .arg(QuotedSqlText(QStringLiteral("员工%1").arg(n)), QuotedSqlText(address),
                  QuotedSqlText(QStringLiteral("<p>工资条 %1</p>").arg(n)),
                  sent ? QStringLiteral("true") : QStringLiteral("false"))
             .arg(n + 2));
    ids << Scalar(QStringLiteral("select max(payslip_id) from payslip")).toInt();
  }
  return ids;
}

int SendFixture::addAccount(const QString &name, const QString &host, int port, const QString &from,
                            bool login) {
  Exec(QStringLiteral("insert into smtp_server(server_name,host,username,pwd,port,login,"
                      "emailaddress,email_type) values(%1,%2,%3,'secret',%4,%5,%6,1)")
           .arg(QuotedSqlText(name), QuotedSqlText(host), QuotedSqlText(from))
           .arg(port)
           .arg(login ? QStringLiteral("true") : QStringLiteral("false"), QuotedSqlText(from)));
  return Scalar(QStringLiteral("select max(server_id) from smtp_server")).toInt();
}

namespace {
QVariantList column(const QString &sql) {
  QVariantList values;
  QString error;
  DbQuery &query = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(sql, query, error)) {
    qWarning("%s", qPrintable(error));
    return values;
  }
  for (; !query.eof(); query.next()) values << query.field(0);
  query.close();
  return values;
}
}  // namespace

QList<bool> SendFixture::sendStatuses() {
  QList<bool> out;
  for (const QVariant &v :
       column(QStringLiteral("select send_status from payslip order by payslip_id")))
    out << v.toBool();
  return out;
}

QStringList SendFixture::errorTexts() {
  QStringList out;
  for (const QVariant &v :
       column(QStringLiteral("select err_msg from payslip order by payslip_id")))
    out << v.toString();
  return out;
}

QStringList SendFixture::archive() {
  QStringList out;
  for (const QVariant &v : column(QStringLiteral(
           "select s.f2 || ':' || s.email_address || ':' || s.send_status from slip s "
           "order by s.payslip_id")))
    out << v.toString();
  return out;
}
