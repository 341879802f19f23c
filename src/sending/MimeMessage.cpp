#include "MimeMessage.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QUuid>

namespace {
const QByteArray kCrLf("\r\n");
// RFC 2047 caps an encoded word at 75 characters; "=?UTF-8?B?" and "?=" take 12 of them.
constexpr int kEncodedWordPayload = 75 - 12;
constexpr int kMaxHeaderLine = 78;
constexpr int kBase64LineLength = 76;

bool isPlainAscii(const QString &text) {
  for (QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
  }
  return true;
}

QByteArray encodedWord(const QByteArray &utf8) {
  return "=?UTF-8?B?" + utf8.toBase64() + "?=";
}

QByteArray rfc5322Date(const QDateTime &date) {
  const QLocale c = QLocale::c();
  const int offset = date.offsetFromUtc() / 60;
  const QString zone = QStringLiteral("%1%2%3")
                           .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                           .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                           .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
  return (c.toString(date, QStringLiteral("ddd, d MMM yyyy HH:mm:ss ")) + zone).toLatin1();
}

QByteArray domainOf(const QString &address) {
  const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
  const QString domain = at >= 0 ? address.mid(at + 1).trimmed() : QString();
  static const QRegularExpression plainDomain(QStringLiteral("^[A-Za-z0-9.-]+$"));
  return plainDomain.match(domain).hasMatch() ? domain.toLatin1() : QByteArray("localhost");
}

QByteArray encodeBody(const QString &text, const QString &charSet, QByteArray &label) {
  QStringEncoder encoder(charSet.toLatin1().constData());
  if (!encoder.isValid()) {
    label = "UTF-8";
    return text.toUtf8();
  }
  label = charSet.toLatin1();
  return encoder.encode(text);
}

QByteArray base64Lines(const QByteArray &bytes) {
  const QByteArray encoded = bytes.toBase64();
  QByteArray lines;
  lines.reserve(encoded.size() + encoded.size() / kBase64LineLength * 2 + 2);
  for (qsizetype at = 0; at < encoded.size(); at += kBase64LineLength)
    lines += encoded.mid(at, kBase64LineLength) + kCrLf;
  return lines;
}
}  // namespace

void MimeMessage::setRecipientsText(const QString &text) {
  recipients_.clear();
  static const QRegularExpression separators(QStringLiteral("[,;]"));
  for (const QString &part : text.split(separators)) {
    // Addresses are trimmed of every character up to the blank, as everywhere in the program.
    qsizetype begin = 0;
    qsizetype end = part.size();
    while (begin < end && part.at(begin).unicode() <= 32) ++begin;
    while (end > begin && part.at(end - 1).unicode() <= 32) --end;
    if (end > begin) recipients_ << part.mid(begin, end - begin);
  }
}

void MimeMessage::clear() {
  ContentType = QStringLiteral("text/plain");
  CharSet = QStringLiteral("UTF-8");
  Subject.clear();
  From.clear();
  Body.clear();
  recipients_.clear();
}

QByteArray MimeMessage::encodeHeaderText(const QString &text, int headerNameLength) {
  if (isPlainAscii(text) && headerNameLength + 2 + text.size() <= kMaxHeaderLine)
    return text.toLatin1();
  // Split between whole characters so that every word decodes on its own.
  QList<QByteArray> words;
  QByteArray current;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QByteArray piece = text.mid(i, step).toUtf8();
    if ((current.size() + piece.size() + 2) / 3 * 4 > kEncodedWordPayload) {
      words << encodedWord(current);
      current.clear();
    }
    current += piece;
    i += step;
  }
  if (!current.isEmpty() || words.isEmpty()) words << encodedWord(current);
  QByteArray folded;
  for (const QByteArray &word : words) {
    if (!folded.isEmpty()) folded += kCrLf + ' ';
    folded += word;
  }
  return folded;
}

QByteArray MimeMessage::render(const QDateTime &date) const {
  QByteArray charSetLabel;
  const QByteArray body = encodeBody(Body.join(QStringLiteral("\r\n")), CharSet, charSetLabel);

  QByteArray out;
  auto header = [&out](const QByteArray &name, const QByteArray &value) {
    out += name + ": " + value + kCrLf;
  };
  header("Date", rfc5322Date(date));
  header("Message-ID", '<' + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() +
                           '@' + domainOf(From) + '>');
  header("From", From.toUtf8());
  // A long recipient list folds after its commas, to keep header lines short.
  const QString to = recipients_.join(QStringLiteral(", "));
  header("To", (4 + to.size() <= kMaxHeaderLine ? to : recipients_.join(QStringLiteral(",\r\n ")))
                   .toUtf8());
  header("Subject", encodeHeaderText(Subject, 7));
  header("MIME-Version", "1.0");
  header("Content-Type", ContentType.toLatin1() + "; charset=" + charSetLabel);
  header("Content-Transfer-Encoding", "base64");
  out += kCrLf;
  out += base64Lines(body);
  return out;
}
