#pragma once

#include <QByteArray>
#include <QString>

// When the provider directory update runs: only on an empty table, or always.
enum class ProviderDirectoryMode { IfEmpty, Always };

// Thread body: refreshes the smtpservers table from the maker's provider list. Runs on a
// background thread with a database connection of its own. Runs never overlap: a request while one
// runs waits for it and then runs; with one already waiting, a further request is dropped.
void RefreshProviderDirectory(ProviderDirectoryMode mode);

// One run, as RefreshProviderDirectory does it; true when a list was read to its end.
bool UpdateProviderDirectory(ProviderDirectoryMode mode);

// Where the maker publishes the list.
QString ProviderListAddress();

// The provider list shipped with the program (resources/providers/mass.txt), compiled in.
QByteArray ShippedProviderList();
