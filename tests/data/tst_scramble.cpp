#include <QTest>

#include "data/Scramble.h"

class TestScramble : public QObject {
  Q_OBJECT

 private slots:
  void pinnedOutput() {
    // Stored directories and the maker's files depend on this exact output.
    QCOMPARE(ScrambleText(QStringLiteral("smtp.qq.com")), QStringLiteral("4B1C721B611A65509A121D2FC7D03FAC4B0C72196103"));
  }
};

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
