#pragma once

#include <QString>

// Where the tests find their inputs.
QString SourceDir();    // the repository
QString TestDataDir();  // tests/ of the repository
// The shared real-world corpus (../shared/corpus beside the repository); empty when absent.
QString CorpusDir();
// The interpreter that has Debian's python3-* packages (aiosmtpd, openpyxl, xlwt).
QString SystemPython();

// Skips the current test with a clear message when the corpus is missing (a user's clone).
#define KORVANE_REQUIRE_CORPUS()                                                   \
  do {                                                                             \
    if (CorpusDir().isEmpty())                                                     \
      QSKIP("the real-world corpus ../shared/corpus is not beside this checkout"); \
  } while (0)
