#pragma once

#include <QString>

class Clock;

// The maker's files in the program folder: the advertisement block ad.txt and the upgrade
// description upgrade_file.txt (line 1 the newest build number, then download addresses, each
// line scrambled on its own, in the 8-bit code page).

// Fetches ad.txt into the folder (ending with '/'). The old file stays until the new one is
// complete and takes its place by rename, so a payslip build never reads half a file.
bool DownloadAdFile(const QString &folder);
// Thread body: the same into the program folder.
void DownloadAdFile();

// The build number on the first line of the file; 0 when the file is missing or unreadable,
// or its first line does not unscramble to a whole number.
int ReadUpgradeVersion(const QString &path);
// One download address of the file, unscrambled: none without address lines, the only one,
// or with n >= 2 lines one of the first n - 1 drawn with the clock. Empty on any failure.
QString PickUpgradeUrl(const QString &path);
QString PickUpgradeUrl(const QString &path, Clock &clock);

// What one upgrade check did.
struct UpgradeCheckResult {
  enum class Action {
    Downloaded,      // no newer build announced (or no file yet): a fresh description fetched
    DownloadFailed,  // the same, but the download failed
    NoAddress,       // a newer build without a usable address: nothing to do
    Announce,        // a newer build: tell the user and open url
  };
  Action action = Action::DownloadFailed;
  QString url;
  int version = 0;  // what the description announced (0 when there was none)
};

// The upgrade check on the given folder (ending with '/'): acts on the description an earlier
// start downloaded. When it announces no newer build than this one, the description is
// downloaded afresh for the next start; otherwise it is kept, so the notice comes back at every
// start until a build at least that new runs.
UpgradeCheckResult CheckForUpgrade(const QString &folder, Clock &clock);
