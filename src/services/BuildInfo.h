#pragma once

#include <QString>

// The build number the upgrade check compares against and the About box shows.
constexpr int kBuildNumber = 12;

// The program's file version as four whole numbers joined by "." (major.minor.release.build),
// compiled in from the project version.
QString FileVersionText();
// The same for any version text: missing parts read 0, and no version gives "0.0.0.0".
QString FourPartVersion(const QString &version);
