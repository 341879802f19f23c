// The conversion window's command "群发工资条邮件&S": converting, keeping or emptying the batch,
// the hand-over to the send window and closing when nothing is left unsent.
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include "ConversionWindowFixture.h"
#include "sending/UfrmSend.h"
#include "widgets/ScreenMetrics.h"

namespace {
struct HandOver {
  QString title;
  QString caption;
  int height = 0;
  QStringList batch;
  QStringList texts;  // the texts the send window shows
  bool hasStatusBar = false;
};

// Answers the send window: records what it was given, then lets `send` play the user's part.
void answerSendWindow(ConversionWindowFixture &f, QList<HandOver> &handOvers,
                      std::function<void()> send = nullptr) {
  f.ui.onModal = [&handOvers, send](QDialog *dialog) {
    auto *window = qobject_cast<TFormSend *>(dialog);
    if (!window) return int(QDialog::Rejected);
    HandOver h{window->EmailTitle, window->windowTitle(), window->height(), BatchRows(), {}, false};
    h.hasStatusBar = window->findChild<QStatusBar *>(QStringLiteral("StatusBar1")) != nullptr;
    for (QLabel *label : window->findChildren<QLabel *>()) h.texts << label->text();
    for (QStatusBar *bar : window->findChildren<QStatusBar *>()) h.texts << bar->currentMessage();
    handOvers << h;
    if (send) send();
    return int(QDialog::Accepted);
  };
}

// The summary reaches the send window once it has its status bar.
void checkSummary(const HandOver &h, const QString &summary) {
  if (h.hasStatusBar) QVERIFY2(h.texts.join('|').contains(summary), qPrintable(summary));
}

int maxPayslipId() { return Scalar("select max(payslip_id) from payslip").toInt(); }
}  // namespace

class TestConversionSend : public QObject {
  Q_OBJECT

 private slots:
  void convertsAndHandsOver() {
    ConversionWindowFixture f(SmallPayroll());
    QVERIFY(f.prepared);
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers);
    f.show();
    f.edit("LabeledEditEmailTitle")->setText(QStringLiteral("五月工资条"));
    f.action("ActionSend")->trigger();
    QCOMPARE(f.ui.modalWindows(), QStringList{"TFormSend"});
    QCOMPARE(handOvers.size(), 1);
    QCOMPARE(handOvers[0].title, QStringLiteral("五月工资条"));
    QCOMPARE(handOvers[0].caption, QStringLiteral("一车间"));
    QCOMPARE(handOvers[0].height, TallWindowHeight(f.window.get()));
    QCOMPARE(handOvers[0].batch, (QStringList{"3:张三:0", "5:王五:0"}));
    checkSummary(handOvers[0], QStringLiteral("共转换4条数据.其中2条数据无电子邮件地址，无法转换，"
                                              "实际转换2条数据用于发送。"));
    QVERIFY(f.ui.messages().isEmpty());
    // Nothing was sent: the window stays, the pointer is back, the progress bar gone.
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.panel(1), QStringLiteral("发送过程完毕"));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!f.find<QProgressBar>("ProgressBar1")->isVisible());
    QVERIFY(f.action("ActionSend")->isEnabled());
  }

  void closesWhenEverythingWasSent() {
    ConversionWindowFixture f(SmallPayroll());
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers, [] { QVERIFY(Exec("update payslip set send_status=1")); });
    f.show();
    f.action("ActionSend")->trigger();
    QCOMPARE(handOvers.size(), 1);
    QVERIFY(!f.window->isVisible());
    QVERIFY(!QApplication::overrideCursor());
  }

  // Nothing sent: the second press empties the batch without asking and converts again.
  void secondPressWithoutSending() {
    ConversionWindowFixture f(SmallPayroll());
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers);
    f.show();
    f.action("ActionSend")->trigger();
    const int firstIds = maxPayslipId();
    f.action("ActionSend")->trigger();
    QCOMPARE(handOvers.size(), 2);
    QVERIFY(f.ui.messages().isEmpty());  // no question
    QCOMPARE(handOvers[1].batch, (QStringList{"3:张三:0", "5:王五:0"}));
    QCOMPARE(maxPayslipId(), firstIds + 2);
  }

  // Part of the batch went out: the next press asks; Yes sends the same batch, No converts anew.
  void partlySentThenAsked_data() {
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QStringList>("batch");
    QTest::newRow("yes: the same batch") << true << QStringList{"3:张三:1", "5:王五:0"};
    QTest::newRow("no: converted anew") << false << QStringList{"3:张三:0", "5:王五:0"};
  }
  void partlySentThenAsked() {
    QFETCH(bool, keep);
    QFETCH(QStringList, batch);
    ConversionWindowFixture f(SmallPayroll());
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers, [&handOvers] {
      if (handOvers.size() == 1)
        QVERIFY(Exec("update payslip set send_status=1 where row_number=3"));
    });
    f.show();
    f.action("ActionSend")->trigger();
    QVERIFY(f.window->isVisible());
    const int ids = maxPayslipId();
    f.ui.confirmAnswers = {keep};
    f.action("ActionSend")->trigger();
    QCOMPARE(f.ui.messages(), QStringList{"上次发送有未成功邮件，接着按上次状态发送吗？"});
    QCOMPARE(handOvers.size(), 2);
    QCOMPARE(handOvers[1].batch, batch);
    QCOMPARE(maxPayslipId(), keep ? ids : ids + 2);
    QVERIFY(f.window->isVisible());
  }

  void emptyNameColumnBlocksTheCommand() {
    ConversionWindowFixture f(SmallPayroll());
    f.show();
    QApplication::setActiveWindow(f.window.get());
    f.edit("EditNameCol")->clear();
    f.action("ActionSend")->trigger();
    QCOMPARE(f.ui.messages(), QStringList{"请录入姓名所在列"});
    QVERIFY(f.ui.modalWindows().isEmpty());
    QTRY_VERIFY(f.edit("EditNameCol")->hasFocus());
    QCOMPARE(Scalar("select count(*) from payslip").toInt(), 0);
  }

  // A row that cannot be stored stops the conversion; the rows before it stay in the batch and
  // the send window does not open.
  void rowThatCannotBeStored() {
    MemorySheet sheet = SmallPayroll();
    sheet.text(4, 4, QStringLiteral("lisi@example.com")).text(5, 2, QString(51, QChar(u'王')));
    ConversionWindowFixture f(sheet);
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers);
    f.show();
    f.action("ActionSend")->trigger();
    QCOMPARE(f.ui.messages().size(), 1);
    QVERIFY2(f.ui.messages()[0].startsWith(
                 QStringLiteral("发生系统错误！无法写入发送数据库,无法发送邮件！CHECK constraint")),
             qPrintable(f.ui.messages()[0]));
    QVERIFY(handOvers.isEmpty());
    QCOMPARE(BatchRows(), (QStringList{"3:张三:0", "4:李四:0"}));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(f.window->isVisible());
    QVERIFY(f.action("ActionSend")->isEnabled());
  }

  void firstDataRowBeyondTheLastRow() {
    ConversionWindowFixture f(SmallPayroll());
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers);
    f.show();
    f.window->FirstDataRowNumber = 9;  // as the box leaves it
    f.action("ActionSend")->trigger();
    QCOMPARE(handOvers.size(), 1);
    QCOMPARE(handOvers[0].batch, QStringList());
    checkSummary(handOvers[0], QStringLiteral("共转换-2条数据."));
    QVERIFY(!f.window->isVisible());  // nothing left unsent
  }

  // A stray value in XFD14 makes every payslip larger than 2 MB: the user is asked first.
  void oversizedPayslipAsksFirst_data() {
    QTest::addColumn<bool>("goOn");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
  }
  void oversizedPayslipAsksFirst() {
    QFETCH(bool, goOn);
    MemorySheet sheet(QStringLiteral("远处"));
    for (int r = 1; r <= 11; ++r) sheet.text(r, 1, QStringLiteral("说明%1").arg(r));
    sheet.grid({"工号|姓名|邮箱", "001|张三|zhangsan@example.com", "002|李四|lisi@example.com"},
               12);
    sheet.text(14, 16384, QStringLiteral("x"));
    ConversionWindowFixture f(sheet);
    QVERIFY(f.prepared);
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers);
    f.show();
    f.ui.confirmAnswers = {goOn};
    f.action("ActionSend")->trigger();
    const auto question = std::find_if(f.ui.shown.begin(), f.ui.shown.end(), [](const auto &s) {
      return s.kind == ScriptedInteraction::Kind::Confirm;
    });
    QVERIFY(question != f.ui.shown.end());
    QCOMPARE(question->caption, QStringLiteral("工资条过大"));
    QVERIFY2(question->text.startsWith(QStringLiteral("工资条过大：第13行的工资条有")),
             qPrintable(question->text));
    QVERIFY(question->text.contains(QStringLiteral("A1:XFD14")));
    QCOMPARE(handOvers.size(), goOn ? 1 : 0);
    QCOMPARE(BatchRows(), goOn ? (QStringList{"13:张三:0", "14:李四:0"}) : QStringList());
    QVERIFY(!QApplication::overrideCursor());
  }

  // While a conversion runs the window cannot be closed and its commands are off. The first
  // progress text of the conversion lets pending events run, among them this timer.
  void commandsBlockedWhileConverting() {
    ConversionWindowFixture f(SmallPayroll());
    QList<HandOver> handOvers;
    answerSendWindow(f, handOvers);
    f.show();
    bool sawProgress = false;
    bool closeRefused = false;
    bool downEnabled = true;
    QTimer poke;
    connect(&poke, &QTimer::timeout, [&] {
      if (sawProgress || !f.find<QProgressBar>("ProgressBar1")->isVisible()) return;
      sawProgress = true;
      downEnabled = f.action("ActionDown")->isEnabled();
      f.window->close();
      closeRefused = f.window->isVisible();
    });
    poke.start(0);
    f.action("ActionSend")->trigger();
    poke.stop();
    QVERIFY(sawProgress);
    QVERIFY(closeRefused);
    QVERIFY(!downEnabled);
    QCOMPARE(handOvers.size(), 1);
    QVERIFY(f.window->isVisible());
    QVERIFY(f.action("ActionDown")->isEnabled());
  }
};

int main(int argc, char *argv[]) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TestConversionSend test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_conversionsend.moc"
