#include "HttpTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include "TestPaths.h"

namespace {
constexpr int kStartTimeoutMs = 10000;
}  // namespace

HttpTestServer::HttpTestServer() { QDir(dir_.path()).mkpath(QStringLiteral("www")); }

HttpTestServer::~HttpTestServer() { stop(); }

QString HttpTestServer::root() const { return dir_.path() + QStringLiteral("/www/"); }

bool HttpTestServer::putFile(const QString &relativePath, const QByteArray &content) {
  const QString path = root() + relativePath;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(content) == content.size();
}

QString HttpTestServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

bool HttpTestServer::start(const Options &options) {
  QStringList args{SourceDir() + QStringLiteral("/tests/support/http_server.py"),
                   QStringLiteral("--root"), root(), QStringLiteral("--log"),
                   dir_.path() + QStringLiteral("/requests.log")};
  for (const auto &[path, code] : options.statuses)
    args << QStringLiteral("--status") << QStringLiteral("%1=%2").arg(path).arg(code);
  for (const auto &[path, target] : options.redirects)
    args << QStringLiteral("--redirect") << path + QLatin1Char('=') + target;
  for (const auto &[path, seconds] : options.delays)
    args << QStringLiteral("--delay") << QStringLiteral("%1=%2").arg(path).arg(seconds);
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(SystemPython(), args);
  if (!process_.waitForStarted(kStartTimeoutMs)) {
    qWarning("cannot start %s: %s", qPrintable(SystemPython()), qPrintable(process_.errorString()));
    return false;
  }
  QByteArray line;
  while (!line.contains('\n')) {
    if (!process_.waitForReadyRead(kStartTimeoutMs)) {
      qWarning("the HTTP test server did not report its port");
      stop();
      return false;
    }
    line += process_.readAllStandardOutput();
  }
  const QByteArray first = line.left(line.indexOf('\n')).trimmed();
  if (!first.startsWith("PORT ")) return false;
  port_ = first.mid(5).toInt();
  return port_ > 0;
}

void HttpTestServer::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

QList<HttpTestServer::Request> HttpTestServer::requests() const {
  QList<Request> out;
  QFile log(dir_.path() + QStringLiteral("/requests.log"));
  if (!log.open(QIODevice::ReadOnly)) return out;
  for (const QByteArray &line : log.readAll().split('\n')) {
    if (line.trimmed().isEmpty()) continue;
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    out.append(
        {o.value(QStringLiteral("path")).toString(), o.value(QStringLiteral("start")).toDouble(),
         o.value(QStringLiteral("end")).toDouble(), o.value(QStringLiteral("headers")).toObject()});
  }
  return out;
}
