#pragma once

#include <QString>
#include <QUrl>

// The maker's addresses in one place: the web site that serves the downloads, the feedback
// mailbox and the offline help pages shipped beside the program. Tests point the downloads
// at a loopback server.
QString MakerSiteAddress();
void SetMakerSiteAddressForTesting(const QString &address);  // empty restores the real one

// The site as the About box names it; the test address never shows there.
QString MakerHomePage();

// The files the program fetches from the site.
QString AdFileAddress();       // <site>/download/ad.txt
QString UpgradeFileAddress();  // <site>/download/payslip_upgrade.txt

// Recipient of the feedback mail, also quoted in the feedback window's status bar.
QString MakerFeedbackAddress();

// A page of the offline help in the help/ folder beside the executable; index.html is the
// table of contents.
QUrl HelpPageUrl(const QString &page = QStringLiteral("index.html"));
