#include "SmtpClient.h"

#include <curl/curl.h>

#include <QHostAddress>
#include <QRegularExpression>
#include <QSysInfo>
#include <cstring>
#include <mutex>

#include "MimeMessage.h"
#include "SmtpSecurity.h"
#include "data/Clock.h"
#include "data/SecretText.h"

namespace {
// What the session was doing when it failed, judged by the last command sent.
enum class Stage { Connect, Greeting, Tls, Authentication, Sender, Recipient, Data };

QString stageText(Stage stage) {
  switch (stage) {
    case Stage::Connect:
      return QStringLiteral("连接邮件服务器失败");
    case Stage::Greeting:
      return QStringLiteral("与邮件服务器握手失败");
    case Stage::Tls:
      return QStringLiteral("建立加密连接(TLS)失败");
    case Stage::Authentication:
      return QStringLiteral("登录验证失败");
    case Stage::Sender:
      return QStringLiteral("发送发件人地址失败");
    case Stage::Recipient:
      return QStringLiteral("发送收件人地址失败");
    case Stage::Data:
      return QStringLiteral("发送邮件内容失败");
  }
  return {};
}

// The conversation as libcurl reports it: the last command and the replies to it.
struct Transcript {
  Stage stage = Stage::Connect;
  QStringList reply;      // lines of the replies since the last command
  bool quitting = false;  // curl may say QUIT inside the failed transfer; its reply is no answer
};

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *user) {
  auto *transcript = static_cast<Transcript *>(user);
  if (transcript->quitting) return 0;
  if (type == CURLINFO_DATA_OUT) {
    transcript->reply.clear();  // what follows answers the content
    return 0;
  }
  if (type != CURLINFO_HEADER_OUT && type != CURLINFO_HEADER_IN) return 0;
  const QString text = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
  if (type == CURLINFO_HEADER_OUT) {
    const QString verb = text.section(QLatin1Char(' '), 0, 0).toUpper();
    if (verb == QLatin1String("QUIT")) {
      transcript->quitting = true;
      return 0;
    }
    if (verb == QLatin1String("EHLO") || verb == QLatin1String("HELO"))
      transcript->stage = Stage::Greeting;
    else if (verb == QLatin1String("STARTTLS"))
      transcript->stage = Stage::Tls;
    else if (verb == QLatin1String("AUTH"))
      transcript->stage = Stage::Authentication;
    else if (verb == QLatin1String("MAIL"))
      transcript->stage = Stage::Sender;
    else if (verb == QLatin1String("RCPT"))
      transcript->stage = Stage::Recipient;
    else if (verb == QLatin1String("DATA"))
      transcript->stage = Stage::Data;
    // Credentials leave the stage as it is.
    transcript->reply.clear();
    return 0;
  }
  if (transcript->stage == Stage::Connect) transcript->stage = Stage::Greeting;
  for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
    transcript->reply << line.trimmed();
  return 0;
}

struct Upload {
  QByteArray bytes;
  qsizetype at = 0;
};

size_t onRead(char *buffer, size_t size, size_t count, void *user) {
  auto *upload = static_cast<Upload *>(user);
  const qsizetype room = static_cast<qsizetype>(size * count);
  const qsizetype n = qMin(room, upload->bytes.size() - upload->at);
  memcpy(buffer, upload->bytes.constData() + upload->at, static_cast<size_t>(n));
  upload->at += n;
  return static_cast<size_t>(n);
}

bool refusedByServer(const QStringList &reply) {
  if (reply.isEmpty()) return false;
  const int code = reply.last().left(3).toInt();
  return code >= 400 && code <= 599;
}

QString curlDescription(CURLcode code, const char *errorBuffer) {
  const QString detail = QString::fromUtf8(errorBuffer).trimmed();
  return detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail;
}

QString failureText(CURLcode code, const char *errorBuffer, const Transcript &transcript) {
  if (refusedByServer(transcript.reply)) return transcript.reply.join(QLatin1Char(' '));
  const QString description = curlDescription(code, errorBuffer);
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return QStringLiteral("无法解析邮件服务器地址：") + description;
    case CURLE_OPERATION_TIMEDOUT:
      return QStringLiteral("邮件服务器响应超时，") + stageText(transcript.stage) +
             QStringLiteral("：") + description;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
      return stageText(Stage::Tls) + QStringLiteral("：") + description;
    default:
      return stageText(transcript.stage) + QStringLiteral("：") + description;
  }
}

bool validAddress(const QString &address) {
  for (QChar c : address) {
    if (c.unicode() <= 32 || c == QLatin1Char('<') || c == QLatin1Char('>')) return false;
  }
  return !address.isEmpty();
}

QByteArray serverUrl(const QString &host, quint16 port) {
  // A bare IPv6 address needs brackets inside a URL.
  const QString shownHost = QHostAddress(host).protocol() == QAbstractSocket::IPv6Protocol
                                ? QLatin1Char('[') + host + QLatin1Char(']')
                                : host;
  // The path names this computer in EHLO; curl would say "localhost" otherwise.
  QString self = QSysInfo::machineHostName();
  static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9.-]+$"));
  if (!plainName.match(self).hasMatch()) self = QStringLiteral("localhost");
  const QString scheme = IsImplicitTlsPort(port) ? QStringLiteral("smtps") : QStringLiteral("smtp");
  return (scheme + QStringLiteral("://") + shownHost + QLatin1Char(':') + QString::number(port) +
          QLatin1Char('/') + self)
      .toUtf8();
}

long seconds(int milliseconds) { return qMax(1L, static_cast<long>((milliseconds + 999) / 1000)); }

const QString kNoTlsForLogin = QStringLiteral("服务器不支持加密连接(STARTTLS)，为保护密码未登录");

// The password, and what AUTH LOGIN makes of it, must never show in a text for the user.
QString withoutSecret(const QString &text, const QString &password) {
  return MaskSecrets(text, {password, QString::fromLatin1(password.toUtf8().toBase64())});
}

// What one session needs, fixed before the first attempt.
struct SessionSettings {
  QByteArray url;
  QByteArray host;  // as in the URL, for pinning its address
  quint16 port = 25;
  QByteArray from;
  curl_slist *recipients = nullptr;
  bool login = false;
  QByteArray user;
  QByteArray password;
  QByteArray caBundle;
  long connectTimeoutMs = 30000;
  long readTimeoutSeconds = 30;
  QByteArray content;
};

struct SessionResult {
  CURLcode code = CURLE_OK;
  QString failure;    // empty on success
  QString primaryIp;  // the address the connection used, when one was made
};

// One connection: everything from the greeting to the disconnect. useSsl is curl's TLS
// demand for the plain-text port; pinnedAddress, when given, is the only address it may use.
SessionResult runSession(const SessionSettings &settings, long useSsl,
                         const QString &pinnedAddress) {
  SessionResult outcome;
  CURL *curl = curl_easy_init();
  if (!curl) {
    outcome.code = CURLE_FAILED_INIT;
    outcome.failure = QStringLiteral("无法初始化邮件发送组件");
    return outcome;
  }
  curl_slist *resolve = nullptr;
  if (!pinnedAddress.isEmpty()) {
    const QHostAddress address(pinnedAddress);
    const QString shown = address.protocol() == QAbstractSocket::IPv6Protocol
                              ? QLatin1Char('[') + pinnedAddress + QLatin1Char(']')
                              : pinnedAddress;
    resolve = curl_slist_append(
        resolve, (settings.host + ':' + QByteArray::number(settings.port) + ':' + shown.toLatin1())
                     .constData());
  }
  Upload upload{settings.content, 0};
  Transcript transcript;
  char errorBuffer[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(curl, CURLOPT_URL, settings.url.constData());
  if (resolve) curl_easy_setopt(curl, CURLOPT_RESOLVE, resolve);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, settings.readTimeoutSeconds);
  if (useSsl != CURLUSESSL_NONE) curl_easy_setopt(curl, CURLOPT_USE_SSL, useSsl);
  if (!settings.caBundle.isEmpty())
    curl_easy_setopt(curl, CURLOPT_CAINFO, settings.caBundle.constData());
  if (settings.login) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, settings.user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, settings.password.constData());
    curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
  }
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, settings.from.constData());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, settings.recipients);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, onRead);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.bytes.size()));
  // The trace goes to our callback only, never to the terminal: it holds the credentials.
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onDebug);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transcript);

  outcome.code = curl_easy_perform(curl);
  // Judged before the disconnect, whose QUIT draws a reply of its own.
  if (outcome.code != CURLE_OK)
    outcome.failure = failureText(outcome.code, errorBuffer, transcript);
  char *ip = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip)
    outcome.primaryIp = QString::fromLatin1(ip);
  // Cleaning up closes the connection (with QUIT when it is still usable), also after a failure.
  curl_easy_cleanup(curl);
  curl_slist_free_all(resolve);
  return outcome;
}
}  // namespace

bool IsValidSmtpPort(qint64 port) { return port >= 1 && port <= 65535; }

QString InvalidPortText(const QString &port) {
  return QStringLiteral("端口号无效：") + port + QStringLiteral("（端口号应为1到65535之间的整数）");
}

bool SmtpClient::send(const MimeMessage &message, QString &errorText) {
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  if (Host.trimmed().isEmpty()) {
    errorText = QStringLiteral("没有设置邮件服务器地址");
    return false;
  }
  if (!IsValidSmtpPort(Port)) {
    errorText = InvalidPortText(QString::number(Port));
    return false;
  }
  if (!message.From.isEmpty() && !validAddress(message.From)) {
    errorText = QStringLiteral("发件人地址无效：") + message.From;
    return false;
  }
  const QStringList recipients = message.recipients();
  if (recipients.isEmpty()) {
    errorText = QStringLiteral("没有收件人地址");
    return false;
  }
  for (const QString &recipient : recipients) {
    if (!validAddress(recipient)) {
      errorText = QStringLiteral("收件人地址无效：") + recipient;
      return false;
    }
  }

  SessionSettings settings;
  settings.port = static_cast<quint16>(Port);
  settings.host = Host.trimmed().toUtf8();
  settings.url = serverUrl(Host.trimmed(), settings.port);
  settings.from = '<' + message.From.toUtf8() + '>';
  for (const QString &recipient : recipients)
    settings.recipients =
        curl_slist_append(settings.recipients, ('<' + recipient.toUtf8() + '>').constData());
  settings.login = AuthenticationType == Authentication::Login;
  settings.user = Username.toUtf8();
  settings.password = Password.toUtf8();
  settings.caBundle = SmtpCaBundle().toLocal8Bit();
  settings.connectTimeoutMs = static_cast<long>(qMax(1, ConnectTimeoutMs));
  settings.readTimeoutSeconds = seconds(ReadTimeoutMs);
  settings.content = message.render(Clock::instance().now());

  // On the plain-text port the client upgrades with STARTTLS whenever the server offers it.
  // With a login it insists on it: a server that offers none gets the password in the clear
  // only when it turned out to be on this computer or a private network; the session then
  // runs again, in plain text, pinned to the very address that was judged.
  const bool implicitTls = IsImplicitTlsPort(settings.port);
  const long useSsl =
      implicitTls ? CURLUSESSL_NONE : (settings.login ? CURLUSESSL_ALL : CURLUSESSL_TRY);
  SessionResult outcome = runSession(settings, useSsl, QString());
  if (outcome.code == CURLE_USE_SSL_FAILED && useSsl == CURLUSESSL_ALL) {
    if (MayLogInWithoutTls(outcome.primaryIp)) {
      outcome = runSession(settings, CURLUSESSL_TRY, outcome.primaryIp);
    } else {
      outcome.failure = kNoTlsForLogin;
    }
  }
  curl_slist_free_all(settings.recipients);

  if (outcome.code == CURLE_OK) return true;
  errorText = withoutSecret(outcome.failure, Password);
  if (errorText.trimmed().isEmpty()) errorText = QStringLiteral("邮件发送失败");
  return false;
}
