#pragma once

#include <QString>

class MimeMessage;

// A port the client connects to: 1 to 65535. Nothing is cut to 16 bits, so an account with
// port 105351 is refused instead of reaching port 39815.
bool IsValidSmtpPort(qint64 port);
// The refusal of a port, for the account windows and the error text of a mail alike.
QString InvalidPortText(const QString &port);

// Sends one mail per session over libcurl: connect, greeting, EHLO, TLS (from the first byte on
// the smtps ports, else STARTTLS whenever the server offers it), AUTH LOGIN when asked, the
// envelope from the message's From and recipients, the content, and the disconnect.
class SmtpClient {
 public:
  enum class Authentication { None, Login };

  QString Host;
  int Port = 25;  // 1..65535; any other value fails the send
  QString Username;
  QString Password;
  Authentication AuthenticationType = Authentication::None;
  int ReadTimeoutMs = 30000;
  int ConnectTimeoutMs = 30000;

  // Error text on failure: the server's own reply when it refused, otherwise what failed and
  // how; never empty, never holding the password.
  bool send(const MimeMessage &message, QString &errorText);
};
