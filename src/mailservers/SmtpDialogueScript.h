#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the account test does with one chunk of the server's replies.
struct SmtpDialogueAnswer {
  QStringList logEntries;  // appended to the log in this order
  QByteArray toSend;       // command lines for the server, each ending in CR LF
  bool scrollToEnd = false;  // scroll the log once more after appending
};

// The account test's fixed script. It keeps no state: every chunk is judged by its reply
// code alone, whatever came before.
class SmtpDialogueScript {
 public:
  bool NeedLogin = true;
  QString LoginName;
  QString Password;

  SmtpDialogueAnswer handleChunk(const QByteArray &chunk) const;

  // MIME base64 of the text's bytes in the 8-bit code page, CR LF after every 76 characters.
  static QByteArray encodeCredential(const QString &text);
};
