#pragma once

#include <QString>

// Modes of the provider directory update.
enum ProviderDirectoryMode { kRefreshIfEmpty = 1, kRefreshAlways = 2 };

// Thread body: refreshes the smtpservers table from the maker's provider list. Runs on a
// background thread with a database connection of its own. Mode 1 runs only on an empty table,
// any other mode always. Runs never overlap: a request while one runs waits for it and then
// runs; with one already waiting, a further request is dropped.
void RefreshProviderDirectory(int mode);

// One run, as RefreshProviderDirectory does it; true when a list was read to its end.
bool UpdateProviderDirectory(int mode);

// Where the maker publishes the list.
QString ProviderListAddress();
