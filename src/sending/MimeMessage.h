#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// One outgoing mail: the properties the send window and the feedback mail set, rendered as an
// RFC 5322 / MIME text with a base64 body. Reused for every mail; each send sets it anew.
class MimeMessage {
 public:
  QString ContentType = QStringLiteral("text/plain");
  QString CharSet = QStringLiteral("UTF-8");
  QString Subject;
  QString From;  // the sender's address alone; also the envelope sender
  QStringList Body;  // lines, joined with CR LF

  // The recipient list from one text: addresses separated by commas or semicolons.
  void setRecipientsText(const QString &text);
  QStringList recipients() const { return recipients_; }
  void clear();

  // The whole message, header and body, lines ending in CR LF.
  QByteArray render(const QDateTime &date) const;

  // The Subject header's value: the text itself when it is short printable ASCII, otherwise
  // RFC 2047 encoded words (UTF-8, base64) folded onto continuation lines.
  static QByteArray encodeHeaderText(const QString &text, int headerNameLength);

 private:
  QStringList recipients_;
};
