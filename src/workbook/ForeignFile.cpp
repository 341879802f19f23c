#include "ForeignFile.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringList>

#include "WorkbookErrors.h"

namespace {
// The beginning as text: UTF-16 when its byte order mark says so, else the bytes themselves
// (the markup and separators looked for are ASCII in every 8-bit code page).
QString asText(const QByteArray &head) {
  if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
    QStringDecoder decode(head.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                      : QStringConverter::Utf16BE);
    return QString(decode(head.mid(2)));
  }
  const QByteArray bytes = head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head;
  return QString::fromLatin1(bytes);
}

bool isPlainText(const QString &text) {
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != 0x1A) return false;
  }
  return true;
}
// Comma-, tab- or semicolon-separated rows: most complete lines of the beginning split into
// the same number of fields (three in four of them), at least two, with quoted fields kept
// whole.
bool looksSeparated(const QString &text, bool whole) {
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!whole && lines.size() > 1) lines.removeLast();  // cut off by the sniff
  for (QChar separator : {QLatin1Char(','), QLatin1Char('\t'), QLatin1Char(';')}) {
    QHash<int, int> byCount;
    int nonBlank = 0;
    for (const QString &line : lines) {
      if (line.trimmed().isEmpty()) continue;
      ++nonBlank;
      int fields = 1;
      bool quoted = false;
      for (QChar c : line) {
        if (c == QLatin1Char('"'))
          quoted = !quoted;
        else if (c == separator && !quoted)
          ++fields;
      }
      ++byCount[fields];
    }
    int mode = 0, modeLines = 0;
    for (auto it = byCount.cbegin(); it != byCount.cend(); ++it)
      if (it.value() > modeLines || (it.value() == modeLines && it.key() > mode))
        mode = it.key(), modeLines = it.value();
    if (mode >= 2 && modeLines * 4 >= nonBlank * 3 && (modeLines >= 2 || nonBlank == 1))
      return true;
  }
  return false;
}

}  // namespace

QString ForeignFileReason(const QByteArray &head) {
  const QString text = asText(head).trimmed();
  const QString lower = text.toLower();
  if (lower.isEmpty()) return ReasonNotAWorkbook();
  if (lower.startsWith(QLatin1String("<?xml")) &&
      (lower.contains(QLatin1String("urn:schemas-microsoft-com:office:spreadsheet")) ||
       lower.contains(QLatin1String("progid=\"excel.sheet\""))))
    return ReasonXmlSpreadsheetFile();
  // Excel's own "web page" files start with <html xmlns:x=...>; exporters often with a
  // document type, a comment or the bare table. A single-file web page is MIME.
  for (const char *start :
       {"<!doctype html", "<html", "<table", "<head", "<body", "<meta", "<style", "<!--", "<div"})
    if (lower.startsWith(QLatin1String(start)))
      return lower.contains(QLatin1String("<table")) || lower.contains(QLatin1String("<html"))
                 ? ReasonHtmlFile()
                 : ReasonNotAWorkbook();
  if (lower.startsWith(QLatin1String("mime-version:")) &&
      lower.contains(QLatin1String("text/html")))
    return ReasonHtmlFile();
  if (isPlainText(text) && looksSeparated(text, head.size() < kForeignFileSniffBytes))
    return ReasonCsvFile();
  return ReasonNotAWorkbook();
}
