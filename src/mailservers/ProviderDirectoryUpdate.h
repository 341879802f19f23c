#pragma once

// Modes of the provider directory update.
enum ProviderDirectoryMode { kRefreshIfEmpty = 1, kRefreshAlways = 2 };

// Thread body: refreshes the smtpservers table from the maker's provider list. Runs on a
// background thread with a database connection of its own.
void RefreshProviderDirectory(int mode);
