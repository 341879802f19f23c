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

namespace {
// What the session was doing when it failed, judged by the last command sent.
enum class Stage { Connect, Greeting, Tls, Authentication, Sender, Recipient, Data };

QString stageText(Stage stage) {
  switch (stage) {
    case Stage::Connect: return QStringLiteral("连接邮件服务器失败");
    case Stage::Greeting: return QStringLiteral("与邮件服务器握手失败");
    case Stage::Tls: return QStringLiteral("建立加密连接(TLS)失败");
    case Stage::Authentication: return QStringLiteral("登录验证失败");
    case Stage::Sender: return QStringLiteral("发送发件人地址失败");
    case Stage::Recipient: return QStringLiteral("发送收件人地址失败");
    case Stage::Data: return QStringLiteral("发送邮件内容失败");
  }
  return {};
}

// The conversation as libcurl reports it: the last command and the replies to it.
struct Transcript {
  Stage stage = Stage::Connect;
  QStringList reply;  // lines of the replies since the last command
};

int onDebug(CURL *, curl_infotype type, char *data, size_t size, void *user) {
  auto *transcript = static_cast<Transcript *>(user);
  const QString text = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
  if (type == CURLINFO_HEADER_OUT) {
    const QString verb = text.section(QLatin1Char(' '), 0, 0).toUpper();
    if (verb == QLatin1String("EHLO") || verb == QLatin1String("HELO"))
      transcript->stage = Stage::Greeting;
    else if (verb == QLatin1String("STARTTLS")) transcript->stage = Stage::Tls;
    else if (verb == QLatin1String("AUTH")) transcript->stage = Stage::Authentication;
    else if (verb == QLatin1String("MAIL")) transcript->stage = Stage::Sender;
    else if (verb == QLatin1String("RCPT")) transcript->stage = Stage::Recipient;
    else if (verb == QLatin1String("DATA")) transcript->stage = Stage::Data;
    // Credentials and QUIT leave the stage as it is.
    if (verb != QLatin1String("QUIT")) transcript->reply.clear();
  } else if (type == CURLINFO_HEADER_IN) {
    if (transcript->stage == Stage::Connect) transcript->stage = Stage::Greeting;
    for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
      transcript->reply << line.trimmed();
  }
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

// The password, and what AUTH LOGIN makes of it, must never show in a text for the user.
QString withoutSecret(QString text, const QString &password) {
  if (password.isEmpty()) return text;
  text.replace(password, QStringLiteral("******"));
  text.replace(QString::fromLatin1(password.toUtf8().toBase64()), QStringLiteral("******"));
  return text;
}
}  // namespace

bool SmtpClient::send(const MimeMessage &message, QString &errorText) {
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

  if (Host.trimmed().isEmpty()) {
    errorText = QStringLiteral("没有设置邮件服务器地址");
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

  CURL *curl = curl_easy_init();
  if (!curl) {
    errorText = QStringLiteral("无法初始化邮件发送组件");
    return false;
  }
  const quint16 port = static_cast<quint16>(Port & 0xFFFF);
  const QByteArray url = serverUrl(Host.trimmed(), port);
  const QByteArray from = '<' + message.From.toUtf8() + '>';
  curl_slist *rcpt = nullptr;
  for (const QString &recipient : recipients)
    rcpt = curl_slist_append(rcpt, ('<' + recipient.toUtf8() + '>').constData());
  const QByteArray user = Username.toUtf8();
  const QByteArray password = Password.toUtf8();
  const QByteArray caBundle = SmtpCaBundle().toLocal8Bit();
  Upload upload{message.render(Clock::instance().now()), 0};
  Transcript transcript;
  char errorBuffer[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(curl, CURLOPT_URL, url.constData());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(qMax(1, ConnectTimeoutMs)));
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds(ReadTimeoutMs));
  // The password must not cross the network in the clear when the server can do better.
  if (!IsImplicitTlsPort(port)) curl_easy_setopt(curl, CURLOPT_USE_SSL, CURLUSESSL_TRY);
  if (!caBundle.isEmpty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caBundle.constData());
  if (AuthenticationType == Authentication::Login) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
  }
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, onRead);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.bytes.size()));
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, onDebug);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transcript);

  const CURLcode result = curl_easy_perform(curl);
  // Cleaning up closes the connection (with QUIT when it is still usable), also after a failure.
  curl_easy_cleanup(curl);
  curl_slist_free_all(rcpt);

  if (result == CURLE_OK) return true;
  errorText = withoutSecret(failureText(result, errorBuffer, transcript), Password);
  if (errorText.trimmed().isEmpty()) errorText = QStringLiteral("邮件发送失败");
  return false;
}
