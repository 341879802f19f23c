#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

class Worksheet;

// The independent reference reading of one corpus file (ref/<file>.json) and the comparison
// of our reading with it. Format-neutral: it sees only finished worksheets.
class CorpusReference {
 public:
  // What a reader must do with the file.
  enum class Expectation {
    Read,               // read it like the reference (primary or fallback reading)
    PasswordProtected,  // refuse it as password-protected (only a decrypted reading exists)
    Refuse,             // no reference: a hostile or broken file; refusing cleanly is right
  };

  // relativePath as in MANIFEST.tsv, e.g. "xlsx/poi__Booleans.xlsx".
  bool load(const QString &corpusDir, const QString &relativePath, QString &error);
  Expectation expectation() const { return expectation_; }
  // Which reading is compared against ("openpyxl 3.0.9", "LibreOffice ... then openpyxl").
  QString readerName() const;

  // Every difference of our reading from the reference, one line each (empty: the same).
  // Compared: worksheets in order (chart sheets left out), names, hidden state, used range
  // (our rule: the reference's value box widened by the merged areas; an empty sheet is A1),
  // merged ranges, and cell texts: numbers numerically, dates as dates to the second.
  // Values the reference found hidden under a merged area are not compared: they read empty.
  QStringList compare(const std::vector<Worksheet> &sheets) const;

 private:
  QJsonObject reading_;  // the object holding "sheets"
  Expectation expectation_ = Expectation::Refuse;
};
