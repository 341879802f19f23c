#include "SmtpTestServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>

#include "TestPaths.h"

SmtpTestServer::~SmtpTestServer() { stop(); }

bool SmtpTestServer::start() { return start(Options()); }

bool SmtpTestServer::start(const Options &options) {
  QStringList args{TestDataDir() + QStringLiteral("/support/smtp_server.py"),
                   QStringLiteral("--dir"),
                   dir_.path(),
                   QStringLiteral("--user"),
                   options.user,
                   QStringLiteral("--password"),
                   options.password};
  if (options.tls == Tls::StartTls) args << QStringLiteral("--tls") << QStringLiteral("starttls");
  if (options.tls == Tls::Implicit) args << QStringLiteral("--tls") << QStringLiteral("implicit");
  if (options.authRequired) args << QStringLiteral("--auth-required");
  if (!options.certificateNames.isEmpty())
    args << QStringLiteral("--certificate-names") << options.certificateNames;
  for (const QString &address : options.refuseRecipients)
    args << QStringLiteral("--refuse-rcpt") << address;
  if (!options.replyToMail.isEmpty()) args << QStringLiteral("--reply-mail") << options.replyToMail;
  if (!options.replyToData.isEmpty()) args << QStringLiteral("--reply-data") << options.replyToData;
  if (options.dropInData) args << QStringLiteral("--drop-in-data");
  if (options.silent) args << QStringLiteral("--silent");
  if (!options.greeting.isEmpty()) args << QStringLiteral("--greeting") << options.greeting;
  if (!options.replyToDataCommand.isEmpty())
    args << QStringLiteral("--reply-data-command") << options.replyToDataCommand;
  if (options.dropAfterData) args << QStringLiteral("--drop-after-data");
  if (options.silentAfterGreeting) args << QStringLiteral("--silent-after-greeting");
  if (options.silentAfterData) args << QStringLiteral("--silent-after-data");
  if (options.tlsHandshakeFails) args << QStringLiteral("--tls-handshake-fails");
  if (options.replyDelayMs > 0)
    args << QStringLiteral("--reply-delay-ms") << QString::number(options.replyDelayMs);
  if (options.dataDelayMs > 0)
    args << QStringLiteral("--delay-data-ms") << QString::number(options.dataDelayMs);

  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(SystemPython(), args);
  if (!process_.waitForStarted(10000)) {
    qWarning("smtp_server.py did not start: %s", qPrintable(process_.errorString()));
    return false;
  }
  QByteArray output;
  const QDeadlineTimer deadline(20000);
  while (!deadline.hasExpired()) {
    if (!process_.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
      break;
    output += process_.readAllStandardOutput();
    const qsizetype at = output.indexOf("LISTENING ");
    const qsizetype end = at >= 0 ? output.indexOf('\n', at) : -1;
    if (end > at) {
      port_ = static_cast<quint16>(output.mid(at + 10, end - at - 10).trimmed().toUInt());
      return port_ != 0;
    }
  }
  qWarning("smtp_server.py did not start listening: %s", output.constData());
  stop();
  return false;
}

void SmtpTestServer::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.closeWriteChannel();  // the script serves until its stdin closes
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

QString SmtpTestServer::certificatePath() const {
  return dir_.filePath(QStringLiteral("server-cert.pem"));
}

QList<QJsonObject> SmtpTestServer::received() const {
  QList<QJsonObject> records;
  QFile file(dir_.filePath(QStringLiteral("received.jsonl")));
  if (!file.open(QIODevice::ReadOnly)) return records;
  for (const QByteArray &line : file.readAll().split('\n')) {
    if (!line.trimmed().isEmpty()) records << QJsonDocument::fromJson(line).object();
  }
  return records;
}

QByteArray SmtpTestServer::rawMessage(const QJsonObject &record) const {
  QFile file(dir_.filePath(record.value(QStringLiteral("eml")).toString()));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
