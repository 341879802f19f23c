#pragma once

#include <QString>

class MimeMessage;

// Sends one mail per session over libcurl: connect, greeting, EHLO, TLS (from the first byte on
// the smtps ports, else STARTTLS whenever the server offers it), AUTH LOGIN when asked, the
// envelope from the message's From and recipients, the content, and the disconnect.
class SmtpClient {
 public:
  enum class Authentication { None, Login };

  QString Host;
  int Port = 25;  // only the low 16 bits are used
  QString Username;
  QString Password;
  Authentication AuthenticationType = Authentication::None;
  int ReadTimeoutMs = 30000;
  int ConnectTimeoutMs = 30000;

  // Error text on failure: the server's own reply when it refused, otherwise what failed and
  // how; never empty, never holding the password.
  bool send(const MimeMessage &message, QString &errorText);
};
