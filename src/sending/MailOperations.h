#pragma once

#include <QString>

class Clock;
class DbQuery;
class MimeMessage;
class SmtpClient;

// The values of one smtp_server row that a mail needs.
struct SmtpAccount {
  QString host;
  QString username;
  QString pwd;
  QString serverName;
  int port = 25;
  bool login = true;
  QString emailAddress;
};

// Reads the account with the given server_id, or, with random set, one drawn at random (each
// call an independent draw). On failure the account is left as it was; on success errorText is.
bool GetSMTPServerInfo(int serverId, bool random, SmtpAccount &account, QString &errorText);
// The same on the given query, drawing with the given clock.
bool GetSMTPServerInfo(DbQuery &query, Clock &clock, int serverId, bool random,
                       SmtpAccount &account, QString &errorText);

// One session for the prepared message through the client: AUTH LOGIN when login is set, a
// read time-out of 30 s. A port outside 1..65535 fails with an error text naming it.
bool SendEmailBySMTP(SmtpClient &client, const MimeMessage &message, const QString &host,
                     const QString &username, const QString &password, int port, bool login,
                     QString &errorText);
// Test-only: the read and connect time-outs SendEmailBySMTP sets (30 s each in the product),
// so that tests of silent servers need not wait that long. 0 restores 30 s.
void SetSmtpTimeoutsForTesting(int readTimeoutMs, int connectTimeoutMs);

// The number of sender accounts; 0 when the count fails.
int GetSMTPServerCount();
int GetSMTPServerCount(DbQuery &query);
// The number of archived sent payslips created today; 0 when the count fails.
int GetTodaySendCount();
int GetTodaySendCount(DbQuery &query);
