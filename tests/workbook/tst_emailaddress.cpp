#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "workbook/EmailAddress.h"

namespace {
struct Case {
  const char *text;  // UTF-8
  bool address;
};

const Case kCases[] = {
    {"zhangsan@example.com", true},
    {"张三 zhangsan@example.com 财务部", true},
    {"zhangsan@example.com;lisi@example.com", true},
    {"张三@example.com", false},
    {"zhang张@example.com", false},
    {"zhangsan@examplecom", false},
    {"", false},
    {"a.b-c+d@x-y.z.cn", true},
    {"first_last@corp.example.com", true},
    {"<a href=\"mailto:w@x.cn\">写信</a>", true},
    {"zhangsan＠example.com", false},
    {"zhangsan@example。com", false},
    {"zhangsan@例子.com", false},
    {"@example.com", false},
    {"5000", false},
};
}  // namespace

class TestEmailAddress : public QObject {
  Q_OBJECT

 private slots:
  void recognises_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("address");
    for (const Case &c : kCases)
      QTest::newRow(c.text[0] ? c.text : "(empty)") << QString::fromUtf8(c.text) << c.address;
  }
  void recognises() {
    QFETCH(QString, text);
    QFETCH(bool, address);
    QCOMPARE(HasEmailAddress(text), address);
  }

  void sameAnswersFromSeveralThreads() {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&wrong] {
        for (int round = 0; round < 500; ++round)
          for (const Case &c : kCases)
            if (HasEmailAddress(QString::fromUtf8(c.text)) != c.address) ++wrong;
      });
    }
    for (std::thread &t : threads) t.join();
    QCOMPARE(wrong.load(), 0);
  }
};

QTEST_GUILESS_MAIN(TestEmailAddress)
#include "tst_emailaddress.moc"
