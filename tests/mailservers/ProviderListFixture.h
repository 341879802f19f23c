#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Builds lines of a provider list as the maker publishes it, and reads the directory back.

// One line: each plain field scrambled, joined by tabs.
QByteArray ProviderLine(const QStringList &plainFields);
// Lines joined with CR LF, each ending with it.
QByteArray ProviderList(const QList<QByteArray> &lines);
// The smtpservers rows on the shared query, in insert order, unscrambled, as
// "name|host|port|login|type|domain|memo".
QStringList DirectoryRows();
// Inserts one directory row from plain fields through the shared query.
bool AddDirectoryRow(const QStringList &plainFields);
QByteArray ReadBytes(const QString &path);
bool WriteBytes(const QString &path, const QByteArray &bytes);
