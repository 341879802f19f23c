#include <QDir>
#include <QTest>

#include "CorpusReference.h"
#include "support/TestPaths.h"
#include "workbook/WorkbookErrors.h"
#include "workbook/WorkbookFile.h"

// Our reading of the real-world .xlsx and .ods files against the reference readings.
class TestCorpusXlsx : public QObject {
  Q_OBJECT

 private slots:
  void readsLikeTheReference_data() {
    QTest::addColumn<QString>("file");
    if (CorpusDir().isEmpty()) return;
    for (const char *folder : {"xlsx", "ods"}) {
      const QDir dir(CorpusDir() + QLatin1Char('/') + QLatin1String(folder));
      for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        const QString file = QLatin1String(folder) + QLatin1Char('/') + name;
        QTest::newRow(qPrintable(file)) << file;
      }
    }
  }

  void readsLikeTheReference() {
    KORVANE_REQUIRE_CORPUS();
    QFETCH(QString, file);
    CorpusReference reference;
    QString error;
    QVERIFY2(reference.load(CorpusDir(), file, error), qPrintable(error));

    std::vector<Worksheet> sheets;
    QString reason;
    const bool read = ReadWorkbookFile(CorpusDir() + QLatin1Char('/') + file, sheets, reason);
    const QString known = knownDifference(file);

    switch (reference.expectation()) {
      case CorpusReference::Expectation::PasswordProtected:
        QVERIFY2(!read, "an encrypted workbook was read");
        // Encrypted packages are OLE2 files, which the .xls reader recognises.
        QCOMPARE(reason, ReasonPasswordProtected());
        return;
      case CorpusReference::Expectation::Refuse:
        // Hostile or broken: refused with a reason, or read; never a crash or a hang.
        if (!read) QVERIFY(!reason.isEmpty());
        return;
      case CorpusReference::Expectation::Read:
        break;
    }
    if (!known.isEmpty()) {
      QVERIFY(read || !reason.isEmpty());
      qInfo("%s: known difference (%s): %s", qPrintable(file), qPrintable(known),
            read ? qPrintable(reference.compare(sheets).join(QLatin1String("; ")))
                 : qPrintable(reason));
      return;
    }
    QVERIFY2(read, qPrintable(reason));
    const QStringList differences = reference.compare(sheets);
    QVERIFY2(differences.isEmpty(), qPrintable(reference.readerName() + QLatin1String(":\n  ") +
                                               differences.join(QLatin1String("\n  "))));
  }

 private:
  // Files where we read on purpose what the reference does not, with the reason.
  static QString knownDifference(const QString &file) {
    static const QHash<QString, QString> known = {
        {QStringLiteral("xlsx/poi__poc-shared-strings.xlsx"),
         QStringLiteral("refused as damaged: one shared string of 1,048,583 characters, beyond "
                        "the 32,767 a cell holds in Excel")},
        {QStringLiteral("xlsx/poi__poc-xmlbomb.xlsx"),
         QStringLiteral("refused: its shared strings declare a DTD with nested entities, which we "
                        "never expand")},
        {QStringLiteral("xlsx/sheetjs__LONumbers.xlsx"),
         QStringLiteral(
             "one-letter formats such as \"D\" and \"H\" are day and hour formats: we read "
             "those cells as dates, as LibreOffice does; the reference reader takes them for "
             "numbers")},
    };
    return known.value(file);
  }
};

QTEST_GUILESS_MAIN(TestCorpusXlsx)
#include "tst_corpus_xlsx.moc"
