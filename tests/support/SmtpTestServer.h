#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An SMTP server on a free loopback port (tests/support/smtp_server.py over aiosmtpd), with
// AUTH LOGIN for one user, optional STARTTLS or implicit TLS on a certificate it makes itself,
// and switches for the failures a mail test needs. Stopped on destruction.
class SmtpTestServer {
 public:
  enum class Tls { None, StartTls, Implicit };
  struct Options {
    Tls tls = Tls::None;
    QString user = QStringLiteral("hr@example.com");
    QString password = QStringLiteral("secret");
    bool authRequired = false;
    QString certificateNames;      // subjectAltName; empty: IP:127.0.0.1,DNS:localhost
    QStringList refuseRecipients;  // answered with 550
    QString replyToMail;           // e.g. "451 4.3.0 Try again later"
    QString replyToData;           // e.g. "554 5.7.1 Message rejected"
    bool dropInData = false;       // close the connection after the 354 of DATA
    bool silent = false;           // accept and never answer
    int dataDelayMs = 0;           // record each message, then answer its DATA this much later
    QString greeting;              // e.g. "421 4.3.2 Service not available", then the close
    QString replyToDataCommand;    // the reply to the DATA command itself, e.g. "452 ..."
    bool dropAfterData = false;    // close the connection after the final "." instead of replying
    bool silentAfterGreeting = false;  // greet, then never answer again
    bool silentAfterData = false;      // never answer the final "."
    bool tlsHandshakeFails = false;    // offer STARTTLS, then answer the handshake with an alert
    int replyDelayMs = 0;              // wait this long before every reply
  };

  SmtpTestServer() = default;
  ~SmtpTestServer();
  SmtpTestServer(const SmtpTestServer &) = delete;
  SmtpTestServer &operator=(const SmtpTestServer &) = delete;

  // Starts the server and waits until it listens; false (with a warning) when it did not.
  bool start(const Options &options);
  bool start();
  void stop();

  QString host() const { return QStringLiteral("127.0.0.1"); }
  quint16 port() const { return port_; }
  // The server's self-signed certificate, for the client's test-only CA setting.
  QString certificatePath() const;

  // One object per accepted message: eml, mail_from, rcpt_tos, authenticated, auth_mechanism,
  // auth_login, helo, tls, and the message as Python's email package read it (from, to,
  // subject, raw_subject, date, message_id, mime_version, content_type, charset,
  // transfer_encoding, body, longest_line, header_lines, defects).
  QList<QJsonObject> received() const;
  QByteArray rawMessage(const QJsonObject &record) const;

 private:
  QTemporaryDir dir_;
  QProcess process_;
  quint16 port_ = 0;
};
