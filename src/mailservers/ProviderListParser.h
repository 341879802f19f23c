#pragma once

#include <QString>
#include <QStringList>

// The maker's provider list mass.txt: one provider per line, seven scrambled fields (name, SMTP
// host, port, login required, mailbox type, domain, notes).
class ProviderListParser {
 public:
  static constexpr int kFieldCount = 7;

  // The lines of the file's text; a line ends at CR LF, LF or CR.
  static QStringList splitLines(const QString &text);

  // Any run of characters with codes 1 to 32 separates two fields, and such characters at the
  // start are skipped. A field that begins with a double quote runs to the closing one, a
  // doubled double quote inside standing for one. Always kFieldCount entries, missing ones empty.
  static QStringList splitFields(const QString &line);

  enum class Verdict {
    Insert,  // statement holds the insert
    Skip,    // the port or the mailbox type is not a whole number
    Stop,    // the login or mailbox type field is not scrambled text: the list is unusable
  };
  // The insert into smtpservers for one line's fields: the port, login and mailbox type plain and
  // bare, the other fields scrambled as string literals.
  static Verdict buildInsert(const QStringList &fields, QString &statement);
};
