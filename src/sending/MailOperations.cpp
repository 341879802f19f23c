#include "MailOperations.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "SmtpClient.h"
#include "data/Clock.h"
#include "data/Data.h"

namespace {
const QString kQueryFailed = QStringLiteral("查询服务器信息失败！");
const QString kNotFound = QStringLiteral("没有找到邮件服务器信息");

int countOf(DbQuery &query, const QString &sql) {
  QString error;
  if (!SqlOpen(sql, query, error)) return 0;
  return query.field(0).toInt();
}

// The random draw goes through the clock, so that a rotation can be replayed in tests.
bool drawServerId(DbQuery &query, Clock &clock, int &serverId) {
  QString error;
  if (!SqlOpen(QStringLiteral("SELECT server_id FROM smtp_server ORDER BY server_id"), query,
               error))
    return false;
  const int count = query.recordCount();
  if (count <= 0) return false;
  const int pick = clock.randomBelow(count);
  for (int i = 0; i < pick; ++i) query.next();
  if (query.eof()) return false;
  serverId = query.field(0).toInt();
  return true;
}
}  // namespace

bool GetSMTPServerInfo(int serverId, bool random, SmtpAccount &account, QString &errorText) {
  return GetSMTPServerInfo(DataModule1->ADOQueryAccessComm, Clock::instance(), serverId, random,
                           account, errorText);
}

bool GetSMTPServerInfo(DbQuery &query, Clock &clock, int serverId, bool random,
                       SmtpAccount &account, QString &errorText) {
  if (random && !drawServerId(query, clock, serverId)) {
    errorText = kQueryFailed;
    return false;
  }
  QString error;
  if (!SqlOpen(QStringLiteral("SELECT server_id, server_name,host,username, pwd, port, "
                              "login,emailaddress FROM smtp_server") +
                   QStringLiteral(" where server_id=") + QString::number(serverId),
               query, error)) {
    errorText = kQueryFailed;
    return false;
  }
  if (query.eof()) {
    errorText = kNotFound;
    return false;
  }
  SmtpAccount found;
  found.host = query.fieldByName(QStringLiteral("host")).toString();
  found.username = query.fieldByName(QStringLiteral("username")).toString();
  found.pwd = query.fieldByName(QStringLiteral("pwd")).toString();
  // A stored value beyond 32 bits must not wrap into a valid port; the send refuses it.
  const qint64 port = query.fieldByName(QStringLiteral("port")).toLongLong();
  found.port = int(
      std::clamp<qint64>(port, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  found.login = query.fieldByName(QStringLiteral("login")).toBool();
  found.emailAddress = query.fieldByName(QStringLiteral("emailaddress")).toString();
  found.serverName = query.fieldByName(QStringLiteral("server_name")).toString();
  account = found;
  return true;
}

namespace {
// Read by the session threads of the send window, hence atomic.
std::atomic<int> readTimeoutMsForTesting{0};
std::atomic<int> connectTimeoutMsForTesting{0};
}  // namespace

void SetSmtpTimeoutsForTesting(int readTimeoutMs, int connectTimeoutMs) {
  readTimeoutMsForTesting = qMax(0, readTimeoutMs);
  connectTimeoutMsForTesting = qMax(0, connectTimeoutMs);
}

bool SendEmailBySMTP(SmtpClient &client, const MimeMessage &message, const QString &host,
                     const QString &username, const QString &password, int port, bool login,
                     QString &errorText) {
  client.Host = host;
  client.Username = username;
  client.Password = password;
  client.Port = port;
  client.AuthenticationType =
      login ? SmtpClient::Authentication::Login : SmtpClient::Authentication::None;
  const int readMs = readTimeoutMsForTesting;
  const int connectMs = connectTimeoutMsForTesting;
  client.ReadTimeoutMs = readMs > 0 ? readMs : 30000;
  client.ConnectTimeoutMs = connectMs > 0 ? connectMs : 30000;
  return client.send(message, errorText);
}

int GetSMTPServerCount() { return GetSMTPServerCount(DataModule1->ADOQueryAccessComm); }

int GetSMTPServerCount(DbQuery &query) {
  return countOf(query, QStringLiteral("SELECT count(*) FROM smtp_server"));
}

int GetTodaySendCount() { return GetTodaySendCount(DataModule1->ADOQueryAccessComm); }

int GetTodaySendCount(DbQuery &query) {
  // send_time holds date('now','localtime') from the column default, so compare with the same.
  return countOf(query, QStringLiteral("select count(*) from slip where send_status=true and "
                                       "send_time=date('now','localtime')"));
}
