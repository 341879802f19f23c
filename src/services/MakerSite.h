#pragma once

#include <QString>

// The maker's web site: help and troubleshooting pages and the downloads. One place, so tests
// can point the downloads at a loopback server.
QString MakerSiteAddress();
void SetMakerSiteAddressForTesting(const QString &address);  // empty restores the real one

QString HelpPageAddress();
