#include "IniDocument.h"

#include <QFile>
#include <QSaveFile>

namespace {
// "[name]" (blanks around allowed) gives name; anything else gives a null text.
QString sectionName(const QString &line) {
  const QString t = line.trimmed();
  if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
    return QString();
  return t.mid(1, t.size() - 2).trimmed();
}

bool isComment(const QString &line) {
  const QString t = line.trimmed();
  return t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'));
}

// The key of a key=value line, or a null text.
QString keyName(const QString &line) {
  if (isComment(line)) return QString();
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  if (eq < 0) return QString();
  return line.left(eq).trimmed();
}

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
}  // namespace

bool IniDocument::load(const QString &path) {
  lines_.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  setText(QString::fromUtf8(file.readAll()));
  return true;
}

void IniDocument::setText(const QString &input) {
  QString text = input;
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  lineEnd_ = text.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines_ = text.split(QLatin1Char('\n'));
  // The final line break leaves an empty last piece that is no line of the file.
  if (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
}

QString IniDocument::text() const {
  QString out;
  for (const QString &line : lines_) out += line + lineEnd_;
  return out;
}

bool IniDocument::save(const QString &path, QString &errorText) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    errorText = file.errorString();
    return false;
  }
  file.write(text().toUtf8());
  if (!file.commit()) {
    errorText = file.errorString();
    return false;
  }
  return true;
}

qsizetype IniDocument::findSection(const QString &section) const {
  for (qsizetype i = 0; i < lines_.size(); ++i) {
    const QString name = sectionName(lines_.at(i));
    if (!name.isNull() && sameName(name, section)) return i;
  }
  return -1;
}

qsizetype IniDocument::findKey(qsizetype sectionLine, const QString &key) const {
  for (qsizetype i = sectionLine + 1; i < lines_.size(); ++i) {
    if (!sectionName(lines_.at(i)).isNull()) break;
    const QString name = keyName(lines_.at(i));
    if (!name.isNull() && sameName(name, key)) return i;
  }
  return -1;
}

bool IniDocument::contains(const QString &section, const QString &key) const {
  const qsizetype s = findSection(section);
  return s >= 0 && findKey(s, key) >= 0;
}

QString IniDocument::value(const QString &section, const QString &key,
                           const QString &defaultValue) const {
  const qsizetype s = findSection(section);
  const qsizetype k = s >= 0 ? findKey(s, key) : -1;
  if (k < 0) return defaultValue;
  const QString &line = lines_.at(k);
  return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value) {
  QString oneLine = value;
  oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  qsizetype s = findSection(section);
  if (s < 0) {
    lines_ << QLatin1Char('[') + section + QLatin1Char(']');
    lines_ << key + QLatin1Char('=') + oneLine;
    return;
  }
  const qsizetype k = findKey(s, key);
  if (k >= 0) {
    const QString &line = lines_.at(k);
    lines_[k] = line.left(line.indexOf(QLatin1Char('=')) + 1) + oneLine;
    return;
  }
  // After the section's last key line, so blank lines and comments before the next section
  // stay where they are.
  qsizetype insertAt = s + 1;
  for (qsizetype i = s + 1; i < lines_.size(); ++i) {
    if (!sectionName(lines_.at(i)).isNull()) break;
    if (!keyName(lines_.at(i)).isNull()) insertAt = i + 1;
  }
  lines_.insert(insertAt, key + QLatin1Char('=') + oneLine);
}
