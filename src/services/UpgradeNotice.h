#pragma once

#include <QString>

class QWidget;

// Thread body started when the main window is created: the upgrade check on the program
// folder. A newer build is announced on the window thread, and the download page opens in the
// browser after the user has closed the notice.
void CheckForUpgrade();

// The notice and the browser, from any thread; returns once the user has closed the notice.
void AnnounceUpgrade(const QString &url);

// Starts the user's default web browser on a web address (http or https only: the address
// comes from a downloaded file and must not start anything else). False when nothing opened.
bool OpenInDefaultBrowser(QWidget *owner, const QString &url);

extern const char *const kUpgradeNotice;
