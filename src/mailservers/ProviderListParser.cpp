#include "ProviderListParser.h"

#include "data/Scramble.h"
#include "data/SqlText.h"

namespace {
bool isSeparator(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }
}  // namespace

QStringList ProviderListParser::splitLines(const QString &text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines << text.mid(start, i - start);
    if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines << text.mid(start);
  return lines;
}

QStringList ProviderListParser::splitFields(const QString &line) {
  QStringList fields;
  const QChar quote = QLatin1Char('"');
  qsizetype i = 0;
  const qsizetype n = line.size();
  while (i < n && isSeparator(line.at(i))) ++i;
  while (i < n) {
    QString field;
    if (line.at(i) == quote) {
      ++i;
      while (i < n) {
        if (line.at(i) == quote) {
          if (i + 1 < n && line.at(i + 1) == quote) {
            field += quote;
            i += 2;
            continue;
          }
          ++i;  // the closing quote
          break;
        }
        field += line.at(i++);
      }
    } else {
      const qsizetype start = i;
      while (i < n && !isSeparator(line.at(i))) ++i;
      field = line.mid(start, i - start);
    }
    fields << field;
    while (i < n && isSeparator(line.at(i))) ++i;
  }
  while (fields.size() < kFieldCount) fields << QString();
  return fields.mid(0, kFieldCount);
}

ProviderListParser::Verdict ProviderListParser::buildInsert(const QStringList &fields,
                                                            QString &statement) {
  int number = 0;
  QString port;
  if (!TryUnscrambleText(fields.value(2), port) || !ReadWholeNumber(port, number))
    return Verdict::Skip;
  QString login;
  QString type;
  if (!TryUnscrambleText(fields.value(3), login)) return Verdict::Stop;
  if (!TryUnscrambleText(fields.value(4), type)) return Verdict::Stop;
  if (!ReadWholeNumber(type, number)) return Verdict::Skip;
  const QString comma = QStringLiteral(",");
  statement = QStringLiteral(
                  "insert into smtpservers(server_name,host,port,login,email_type, "
                  "domain_name,[memo]) values(") +
              QuotedSqlText(fields.value(0)) + comma + QuotedSqlText(fields.value(1)) + comma +
              port + comma + login + comma + type + comma + QuotedSqlText(fields.value(5)) + comma +
              QuotedSqlText(fields.value(6)) + QStringLiteral(")");
  return Verdict::Insert;
}
