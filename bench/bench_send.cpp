// Mails per second through a local SMTP sink: a bare libcurl loop, the mail client alone, and
// the send engine (look-up, message, row write with its full sync, archive copy, log line) on
// the calling thread and with its sessions on a thread of their own, as the send window runs
// it. Pacing 0, one connection per mail, the same messages in the same run.
//
//   build/bench/bench_send [--mails N] [--login] [--port P] [--folder DIR] [--rounds R]
//
// Without --port the sink is tests/support/smtp_server.py --discard (aiosmtpd); with it, any
// sink already listening on 127.0.0.1:P (e.g. Debian's postfix smtp-sink). --folder puts
// payslip.mdb on the disk to measure (the sync of every sent row goes there).
#include <curl/curl.h>
#include <sys/resource.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "data/Clock.h"
#include "data/Data.h"
#include "data/SqlText.h"
#include "sending/MailTransport.h"
#include "sending/PayslipList.h"
#include "sending/SendEngine.h"
#include "sending/SendPacer.h"
#include "sending/SmtpClient.h"

namespace {
const QByteArray kUser = "hr@example.com";
const QByteArray kPassword = "secret";

// A payslip of a 30-column payroll, about as long as the builders make one.
QString payslipHtml(int n) {
  QString head, row;
  for (int c = 1; c <= 30; ++c) {
    head += QStringLiteral("<td style=\"border:1px solid #000\">栏目%1</td>").arg(c);
    row += QStringLiteral("<td style=\"border:1px solid #000\">%1</td>").arg(1000 + n * 0.37 + c);
  }
  return QStringLiteral(
             "<html><head><meta charset=\"utf-8\"></head><body><table>"
             "<tr><td colspan=30>示例科技有限公司2026年11月工资表</td></tr><tr>") +
         head + QStringLiteral("</tr><tr>") + row +
         QStringLiteral("</tr></table><p>人事部</p></body></html>");
}

MimeMessage messageFor(int n) {
  MimeMessage m;
  m.ContentType = QStringLiteral("text/html");
  m.CharSet = QStringLiteral("UTF-8");
  m.Subject = QStringLiteral("示例科技有限公司2026年11月工资表");
  m.From = QString::fromLatin1(kUser);
  m.setRecipientsText(QStringLiteral("employee%1@example.com").arg(n));
  m.Body << payslipHtml(n);
  return m;
}

struct Upload {
  QByteArray bytes;
  qsizetype at = 0;
};

size_t readUpload(char *buffer, size_t size, size_t count, void *user) {
  auto *u = static_cast<Upload *>(user);
  const qsizetype n = qMin(static_cast<qsizetype>(size * count), u->bytes.size() - u->at);
  memcpy(buffer, u->bytes.constData() + u->at, static_cast<size_t>(n));
  u->at += n;
  return static_cast<size_t>(n);
}

// One connection per mail, the options our client sets, nothing else.
bool bareCurl(quint16 port, bool login, const MimeMessage &message) {
  CURL *curl = curl_easy_init();
  const QByteArray url = "smtp://127.0.0.1:" + QByteArray::number(port) + "/bench";
  const QByteArray from = '<' + message.From.toUtf8() + '>';
  curl_slist *rcpt =
      curl_slist_append(nullptr, ('<' + message.recipients().first().toUtf8() + '>').constData());
  Upload upload{message.render(QDateTime::currentDateTime()), 0};
  curl_easy_setopt(curl, CURLOPT_URL, url.constData());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USE_SSL, CURLUSESSL_TRY);
  if (login) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, kUser.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, kPassword.constData());
    curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
  }
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, readUpload);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  const CURLcode result = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  curl_slist_free_all(rcpt);
  return result == CURLE_OK;
}

// The mail client on the calling thread, timed: what the engine spends outside it is its own.
class TimedTransport : public MailTransport {
 public:
  qint64 sessionNs = 0;
  void send(const MimeMessage &message, const SmtpAccount &account, Done done) override {
    QElapsedTimer timer;
    timer.start();
    bool sent = false;
    QString error;
    inner_.send(message, account, [&](bool ok, const QString &text) {
      sent = ok;
      error = text;
    });
    sessionNs += timer.nsecsElapsed();
    done(sent, error);
  }

 private:
  DirectMailTransport inner_;
};

// Accepts every mail at once: the engine's own work alone.
class NoSession : public MailTransport {
 public:
  void send(const MimeMessage &message, const SmtpAccount &, Done done) override {
    bytes_ += message.render(QDateTime::currentDateTime()).size();
    done(true, QString());
  }

 private:
  qint64 bytes_ = 0;
};

// The data module's connection is not used: the engine gets one of its own, as the tool does.
bool prepareDatabase(DbConnection &connection, const QString &folder, int mails, quint16 port,
                     bool login, QString &error) {
  QFile::remove(PayslipDatabasePath(folder));
  if (!OpenPayslipDatabase(connection, folder, error)) return false;
  DbQuery query(connection);
  if (!SqlExec(QStringLiteral("begin"), query, error)) return false;
  for (int n = 1; n <= mails; ++n) {
    if (!SqlExec(QStringLiteral("insert into payslip(f2,email_address,html_str) values(%1,%2,%3)")
                     .arg(QuotedSqlText(QStringLiteral("员工%1").arg(n)),
                          QuotedSqlText(QStringLiteral("employee%1@example.com").arg(n)),
                          QuotedSqlText(payslipHtml(n))),
                 query, error))
      return false;
  }
  return SqlExec(QStringLiteral("insert into smtp_server(server_name,host,username,pwd,port,"
                                "login,emailaddress) values('bench','127.0.0.1','%1','%2',%3,%4,"
                                "'%1')")
                     .arg(QString::fromLatin1(kUser), QString::fromLatin1(kPassword))
                     .arg(port)
                     .arg(login ? QStringLiteral("true") : QStringLiteral("false")),
                 query, error) &&
         SqlExec(QStringLiteral("commit"), query, error);
}

// One engine pass over every row; the seconds it took, or a negative number on failure.
double enginePass(DbConnection &connection, MailTransport &transport, SendPacer &pacer,
                  bool eventLoop, int mails) {
  DbQuery query(connection);
  QString error;
  SqlExec(QStringLiteral("update payslip set send_status=false"), query, error);
  SqlExec(QStringLiteral("delete from slip"), query, error);
  PayslipList list;
  if (!list.open(query, error)) return -1;
  list.selectUnsent();
  SendOptions options;
  options.serverId = 1;
  options.sendInterval = 0;
  options.afterSendCnt = INT_MAX;
  options.emailTitle = QStringLiteral("示例科技有限公司2026年11月工资表");
  SendEngine engine(connection, Clock::instance(), transport, pacer);
  QStringList log;
  log.reserve(mails);
  QObject::connect(&engine, &SendEngine::logLine, [&log](const QString &line) { log << line; });
  SendPassResult result;
  QEventLoop loop;
  QObject::connect(&engine, &SendEngine::finished, [&](const SendPassResult &r) {
    result = r;
    loop.quit();
  });
  QElapsedTimer timer;
  timer.start();
  engine.start(list, options);
  if (eventLoop && engine.isRunning()) loop.exec();
  const double seconds = timer.nsecsElapsed() / 1e9;
  return result.sent == mails ? seconds : -1;
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void report(const char *what, int mails, double seconds, double reference) {
  std::printf("%-34s %8.0f mails/s  %7.3f ms/mail", what, mails / seconds, 1000 * seconds / mails);
  if (reference > 0)
    std::printf("  %+6.1f %% against the bare loop", 100 * (seconds - reference) / reference);
  std::printf("\n");
  std::fflush(stdout);
}
}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addOption({"mails", "mails per measurement", "N", "2000"});
  parser.addOption({"rounds", "measurements of each kind", "R", "3"});
  parser.addOption({"login", "log in with AUTH LOGIN"});
  parser.addOption({"port", "a sink already listening on 127.0.0.1:P", "P"});
  parser.addOption({"folder", "where payslip.mdb goes", "DIR"});
  parser.addOption({"engine-only", "only the engine with no session (for a profiler)"});
  parser.process(app);
  const int mails = qMax(1, parser.value("mails").toInt());
  const int rounds = qMax(1, parser.value("rounds").toInt());
  const bool login = parser.isSet("login");
  curl_global_init(CURL_GLOBAL_DEFAULT);

  QTemporaryDir scratch;
  QProcess sink;
  quint16 port = static_cast<quint16>(parser.value("port").toUInt());
  if (port == 0) {
    sink.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sink.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral(KORVANE_SOURCE_DIR "/tests/support/smtp_server.py"), "--dir",
                scratch.filePath("sink"), "--discard", "--user", QString::fromLatin1(kUser),
                "--password", QString::fromLatin1(kPassword)});
    QByteArray out;
    while (!out.contains('\n') && sink.waitForReadyRead(20000)) out += sink.readAllStandardOutput();
    if (!out.startsWith("LISTENING ")) {
      std::fprintf(stderr, "the aiosmtpd sink did not start\n");
      return 1;
    }
    port = static_cast<quint16>(out.mid(10).trimmed().toUInt());
  }
  QString folder = parser.isSet("folder") ? parser.value("folder") : scratch.path();
  folder = QDir(folder).absolutePath() + QLatin1Char('/');

  DbConnection connection;
  QString error;
  if (!prepareDatabase(connection, folder, mails, port, login, error)) {
    std::fprintf(stderr, "database: %s\n", qPrintable(error));
    return 1;
  }
  QList<MimeMessage> messages;
  for (int n = 1; n <= mails; ++n) messages << messageFor(n);

  std::printf("%d mails per measurement, %s, sink on port %u%s, payslip.mdb in %s\n", mails,
              login ? "AUTH LOGIN" : "no login", port, parser.isSet("port") ? "" : " (aiosmtpd)",
              qPrintable(folder));
  TimedTransport direct;
  ThreadedMailTransport threaded;
  ClockPacer noWait(Clock::instance());
  TimerPacer timers;
  SmtpClient client;
  client.Host = QStringLiteral("127.0.0.1");
  client.Port = port;
  client.Username = QString::fromLatin1(kUser);
  client.Password = QString::fromLatin1(kPassword);
  client.AuthenticationType =
      login ? SmtpClient::Authentication::Login : SmtpClient::Authentication::None;
  if (parser.isSet("engine-only")) {
    NoSession none;
    for (int round = 1; round <= rounds; ++round) {
      const double cpuBefore = cpuSeconds();
      const double own = enginePass(connection, none, noWait, false, mails);
      std::printf("engine with no session: %.3f ms/mail, %.3f ms CPU\n", 1000 * own / mails,
                  1000 * (cpuSeconds() - cpuBefore) / mails);
    }
    return 0;
  }
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d\n", round);
    QElapsedTimer timer;
    timer.start();
    for (const MimeMessage &m : messages) {
      if (!bareCurl(port, login, m)) {
        std::fprintf(stderr, "bare libcurl: a mail failed\n");
        return 1;
      }
    }
    const double bare = timer.nsecsElapsed() / 1e9;
    report("bare libcurl loop", mails, bare, 0);
    timer.start();
    for (const MimeMessage &m : messages) {
      QString failure;
      if (!client.send(m, failure)) {
        std::fprintf(stderr, "mail client: %s\n", qPrintable(failure));
        return 1;
      }
    }
    report("mail client (SmtpClient) alone", mails, timer.nsecsElapsed() / 1e9, bare);
    direct.sessionNs = 0;
    const double engine = enginePass(connection, direct, noWait, false, mails);
    const double window = enginePass(connection, threaded, timers, true, mails);
    if (engine < 0 || window < 0) {
      std::fprintf(stderr, "an engine pass did not send every mail\n");
      return 1;
    }
    report("send engine, calling thread", mails, engine, bare);
    const double session = direct.sessionNs / 1e9;
    std::printf(
        "  of which SMTP sessions %.3f ms/mail, the engine's own work %.3f ms/mail = %.1f %% "
        "of a session\n",
        1000 * session / mails, 1000 * (engine - session) / mails,
        100 * (engine - session) / session);
    report("send engine, session thread", mails, window, bare);
    NoSession none;
    const double cpuBefore = cpuSeconds();
    const double own = enginePass(connection, none, noWait, false, mails);
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf(
        "  the engine with no session (message rendered, nothing sent): %.3f ms/mail, "
        "%.3f ms CPU = %.1f %% of a bare session\n",
        1000 * own / mails, 1000 * cpu / mails, 100 * own / bare);
  }
  if (sink.state() != QProcess::NotRunning) {
    sink.closeWriteChannel();
    sink.waitForFinished(5000);
  }
  return 0;
}
