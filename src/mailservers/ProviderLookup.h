#pragma once

#include <QString>
#include <QStringList>

// What the account editor reads from the provider directory smtpservers, on the shared query
// or a given one.

class DbQuery;

// The domain of an e-mail address: everything after the first at-sign, or the whole text.
QString DomainOfAddress(const QString &address);

// A directory row as the editor shows it, unscrambled.
struct ProviderFill {
  QString memo;
  bool personal = false;  // email_type "1"; anything else is an enterprise mailbox
  QString serverName;
  QString host;
  QString port;  // decimal text
  bool login = true;
};

enum class LookupOutcome {
  Failed,      // the statement failed; the editor says nothing
  NotFound,    // no row: the directory is worth updating
  Found,       // exactly one row, in fill
  Ambiguous,   // two or more rows: nothing to fill
  Unreadable,  // the one row holds a text that does not unscramble; errorText says which
};

// Looks the domain up by its scrambled form.
LookupOutcome LookUpProvider(const QString &domain, ProviderFill &fill, QString &errorText);
LookupOutcome LookUpProvider(DbQuery &query, const QString &domain, ProviderFill &fill,
                             QString &errorText);

// The unscrambled provider names, in the order the table returns them.
bool ReadProviderNames(QStringList &names, QString &errorText);
bool ReadProviderNames(DbQuery &query, QStringList &names, QString &errorText);
