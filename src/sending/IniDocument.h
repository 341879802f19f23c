#pragma once

#include <QString>
#include <QStringList>

// A settings file of sections and key=value lines, read and written in UTF-8 and kept in its
// own order: values are replaced where they stand, a new key goes after the last key of its
// section, a new section at the end, and every other line (comments, blank lines, sections and
// keys the program does not know) is written back unchanged. Section and key names compare
// without regard to case, as Windows settings files do.
class IniDocument {
 public:
  // Reads the file; false (and an empty document) when it does not exist or cannot be read.
  bool load(const QString &path);
  void setText(const QString &text);
  QString text() const;
  // Writes the whole file by replacing it, so a reader never sees half a file.
  bool save(const QString &path, QString &errorText) const;

  bool contains(const QString &section, const QString &key) const;
  // The text after the first '=', as stored; defaultValue when the key is missing.
  QString value(const QString &section, const QString &key,
                const QString &defaultValue = QString()) const;
  // Line breaks inside the value become blanks: a value is one line.
  void setValue(const QString &section, const QString &key, const QString &value);

 private:
  qsizetype findSection(const QString &section) const;
  // The line of the key inside the section starting at sectionLine, or -1.
  qsizetype findKey(qsizetype sectionLine, const QString &key) const;

  QStringList lines_;
  QString lineEnd_ = QStringLiteral("\n");
};
