// The conversion window before its command: preparation, preview, navigation, the boxes'
// rules and the footer kept in tail.txt.
#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QWebEnginePage>

#include "ConversionWindowFixture.h"
#include "data/CodePage.h"
#include "data/ProgramFolder.h"
#include "payslip/PayslipBuilder.h"
#include "support/HttpTestServer.h"
#include "widgets/PayslipPreview.h"
#include "widgets/ScreenMetrics.h"

namespace {
QString pageHtml(QWebEnginePage *page) {
  QString html;
  bool done = false;
  page->toHtml([&](const QString &text) {
    html = text;
    done = true;
  });
  if (!QTest::qWaitFor([&] { return done; }, 10000)) return QStringLiteral("(no answer)");
  return html;
}
}  // namespace

class TestConversionWindow : public QObject {
  Q_OBJECT

 private slots:
  void prepareFillsTheBoxesAndEmptiesTheBatch() {
    TestProgramFolder folder;
    QVERIFY(folder.open());
    QVERIFY(Exec("insert into payslip(f2,email_address) values('旧','old@example.com')"));
    QVERIFY(Exec("insert into slip(f2,send_status) values('甲',1)"));
    QVERIFY(Exec("insert into slip(f2,send_status) values('乙',1)"));
    ScriptedInteraction ui;
    auto excel = SmallPayroll().workbook();
    TFormReadASheetAndSendIt window;
    QCOMPARE(Scalar("select count(*) from payslip").toInt(), 0);  // emptied at creation
    auto *panel1 = window.findChild<QLabel *>("StatusPanel1");
    QCOMPARE(panel1->text(), QStringLiteral("今日已经发送工资条邮件2封。"));
    QVERIFY(Exec("insert into payslip(f2,email_address) values('旧','old@example.com')"));

    QVERIFY(window.PrePareSend(*excel, 3, 4, QStringLiteral("五月工资")));
    QCOMPARE(Scalar("select count(*) from payslip").toInt(), 0);
    QCOMPARE(window.windowTitle(), QStringLiteral("正在解析工资表：一车间"));
    QCOMPARE(window.findChild<QLineEdit *>("EditFirstDataRowNumber")->text(), QStringLiteral("3"));
    const QString summary = QStringLiteral("共包含4行数据。电子邮件地址位于第4列。");
    QCOMPARE(window.findChild<QLabel *>("LabelDataCnt")->text(), summary);
    QCOMPARE(window.findChild<QLabel *>("StatusPanel0")->text(), summary);
    QCOMPARE(window.findChild<QLineEdit *>("EditNameCol")->text(), QStringLiteral("2"));
    QCOMPARE(window.findChild<QLineEdit *>("LabeledEditEmailTitle")->text(),
             QStringLiteral("2021年5月工资表"));
    QCOMPARE(window.MaxRowNumber, 6);
    QCOMPARE(window.EmailColumnNumber, 4);
    QCOMPARE(window.CurrentRowNumber, 3);
    QVERIFY(ui.messages().isEmpty());
  }

  void controlsAsLaidOut() {
    ConversionWindowFixture f(SmallPayroll());
    QVERIFY(f.prepared);
    QCOMPARE(f.window->size(), QSize(784, 562));
    QCOMPARE(f.action("ActionSend")->text(), QStringLiteral("群发工资条邮件&S"));
    QCOMPARE(f.find<QPushButton>("ButtonSend")->text(), QStringLiteral("群发工资条邮件&S"));
    QVERIFY(f.find<QPushButton>("ButtonSend")->font().bold());
    QVERIFY(f.edit("EditNameCol")->font().bold());
    QCOMPARE(f.panel(1),
             QStringLiteral("提示：您可以在此处确认工资条解析是否正确以及更改工资条样式。"));
    QCOMPARE(f.find<QLabel>("StatusPanel0")->width(), 300);
    QVERIFY(f.find<QRadioButton>("RadioGroup1Horizontal")->isChecked());
    QVERIFY(!f.find<QCheckBox>("CheckBoxShowEmail")->isChecked());
    QCOMPARE(f.find<QWidget>("WebBrowser1")->toolTip(), QStringLiteral("工资条样式预览"));
    QCOMPARE(f.find<QWidget>("Memo1")->toolTip(), QStringLiteral("提示：可在此更改邮件落款"));
    QVERIFY(f.edit("EditFirstDataRowNumber")->validator());
    for (const char *name : {"ActionFirst", "ActionUp", "ActionDown", "ActionEnd"})
      QVERIFY2(f.action(name) && !f.action(name)->toolTip().isEmpty(), name);
    f.show();
    f.window->resize(901, 600);
    QCoreApplication::processEvents();
    auto *button = f.find<QPushButton>("ButtonSend");
    QCOMPARE(button->x(), (f.find<QWidget>("PanelBottom")->width() - button->width()) / 2);
  }

  // Shown at the tall height the import command gives it, centred and not above the desktop.
  void centredAtTheGivenHeight() {
    ConversionWindowFixture f(SmallPayroll());
    f.window->resize(f.window->width(), TallWindowHeight(f.window.get()));
    f.show();
    const QRect area = f.window->screen()->availableGeometry();
    QVERIFY(f.window->y() >= area.top());
    QVERIFY(qAbs(f.window->x() - (area.center().x() - f.window->width() / 2)) <= 1);
  }

  // The preview shows the payslip of the current row in the chosen style, as the builder
  // makes it; the page really holds it.
  void previewFollowsRowAndStyle() {
    ConversionWindowFixture f(SmallPayroll());
    QVERIFY(f.prepared);
    auto *preview = f.find<PayslipPreview>("WebBrowser1");
    QSignalSpy loaded(preview, &QWebEngineView::loadFinished);
    f.show();
    const QString folder = ProgramFolder();
    QCOMPARE(preview->document(), BuildHorizontalSlip(*f.excel, 3, 3, {}, 4, false, folder));
    QVERIFY(loaded.wait(20000));
    QVERIFY(loaded.first().first().toBool());
    QVERIFY(pageHtml(preview->page()).contains(QStringLiteral("张三")));

    f.find<QRadioButton>("RadioGroup1Vertical")->click();
    QCOMPARE(preview->document(), BuildVerticalSlip(*f.excel, 3, 3, {}, 4, false, folder));
    f.find<QCheckBox>("CheckBoxShowEmail")->click();
    QCOMPARE(preview->document(), BuildVerticalSlip(*f.excel, 3, 3, {}, 4, true, folder));
    // Typing in the footer does not refresh; the next refresh uses it.
    f.find<QPlainTextEdit>("Memo1")->setPlainText(QStringLiteral("人事部\n电话"));
    QCOMPARE(preview->document(), BuildVerticalSlip(*f.excel, 3, 3, {}, 4, true, folder));
    f.action("ActionDown")->trigger();
    QCOMPARE(preview->document(),
             BuildVerticalSlip(*f.excel, 3, 4, {"人事部", "电话"}, 4, true, folder));
  }

  // Markup from cells and the advertisement may point anywhere: the preview fetches nothing
  // from the network and runs no script; a document too large for setHtml still shows.
  void previewLoadsNothingRemote() {
    HttpTestServer http;
    QVERIFY(http.start());
    QVERIFY(http.putFile("x.png", QByteArray("\x89PNG")));
    PayslipPreview preview;
    preview.resize(400, 300);
    preview.show();
    QSignalSpy loaded(&preview, &QWebEngineView::loadFinished);
    const QString remote = QStringLiteral(
                               "<img src=\"%1/x.png\"><link rel=\"stylesheet\" "
                               "href=\"%1/s.css\"><script>document.title='ran'"
                               "</script><p>张三</p>")
                               .arg(http.baseUrl());
    preview.showDocument(remote);
    QVERIFY(loaded.wait(20000));
    QVERIFY(pageHtml(preview.page()).contains(QStringLiteral("张三")));
    QCOMPARE(http.requests().size(), 0);
    QVERIFY(preview.title() != QStringLiteral("ran"));

    const QString large = QStringLiteral("<p>李四</p>") + QString(1600 * 1024, QLatin1Char(' '));
    loaded.clear();
    preview.showDocument(large);
    QVERIFY(loaded.wait(20000));
    QVERIFY(loaded.first().first().toBool());
    QCOMPARE(preview.url().scheme(), QStringLiteral("file"));
    QVERIFY(pageHtml(preview.page()).contains(QStringLiteral("李四")));
  }

  void navigation_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("to");
    QTest::newRow("first") << 5 << "ActionFirst" << 3;
    QTest::newRow("last") << 3 << "ActionEnd" << 6;
    QTest::newRow("down") << 3 << "ActionDown" << 4;
    QTest::newRow("down at the last row stays") << 6 << "ActionDown" << 6;
    QTest::newRow("up") << 5 << "ActionUp" << 4;
    QTest::newRow("up at the first row stays") << 3 << "ActionUp" << 3;
    QTest::newRow("up above the first row") << 1 << "ActionUp" << 3;
  }
  void navigation() {
    QFETCH(int, from);
    QFETCH(QString, action);
    QFETCH(int, to);
    ConversionWindowFixture f(SmallPayroll());
    f.show();
    f.window->CurrentRowNumber = from;
    f.action(action.toLatin1().constData())->trigger();
    QCOMPARE(f.window->CurrentRowNumber, to);
    QCOMPARE(f.find<PayslipPreview>("WebBrowser1")->document(),
             BuildHorizontalSlip(*f.excel, 3, to, {}, 4, false, ProgramFolder()));
  }

  void firstDataRowBox_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("firstDataRow");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("moved up") << "2" << 2 << QStringList();
    QTest::newRow("zero") << "0" << 3 << QStringList{"起始行必须大于0！"};
    QTest::newRow("empty") << "" << 3 << QStringList();
  }
  void firstDataRowBox() {
    QFETCH(QString, typed);
    QFETCH(int, firstDataRow);
    QFETCH(QStringList, messages);
    ConversionWindowFixture f(SmallPayroll());
    f.show();
    QApplication::setActiveWindow(f.window.get());
    f.action("ActionDown")->trigger();
    QLineEdit *box = f.edit("EditFirstDataRowNumber");
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setText(typed);
    f.edit("LabeledEditEmailTitle")->setFocus();  // leaving the box
    QCOMPARE(f.ui.messages(), messages);
    QCOMPARE(f.window->FirstDataRowNumber, firstDataRow);
    QCOMPARE(f.window->CurrentRowNumber, 4);
    QCOMPARE(f.find<PayslipPreview>("WebBrowser1")->document(),
             BuildHorizontalSlip(*f.excel, firstDataRow, 4, {}, 4, false, ProgramFolder()));
    QCOMPARE(f.find<QLabel>("LabelDataCnt")->text(),
             QStringLiteral("共包含4行数据。电子邮件地址位于第4列。"));
    if (!messages.isEmpty()) QTRY_VERIFY(box->hasFocus());
  }

  // The footer comes from tail.txt (8-bit code page) and goes back there at every close, also
  // when the window was never shown.
  void footerCarriedOverThroughTailTxt() {
    ConversionWindowFixture f(SmallPayroll());
    QFile tail(f.folder.file("tail.txt"));
    QVERIFY(tail.open(QIODevice::WriteOnly));
    tail.write(ToAnsiCodePage(QStringLiteral("人事部\r\n联系电话：8888\r\n")));
    tail.close();
    {
      TFormReadASheetAndSendIt window;
      auto *memo = window.findChild<QPlainTextEdit *>("Memo1");
      QCOMPARE(memo->toPlainText(), QStringLiteral("人事部\n联系电话：8888"));
      memo->setPlainText(QStringLiteral("财务部\n\n<b>谢谢</b>"));
      window.close();  // unshown
    }
    QVERIFY(tail.open(QIODevice::ReadOnly));
    QCOMPARE(tail.readAll(), ToAnsiCodePage(QStringLiteral("财务部\r\n\r\n<b>谢谢</b>\r\n")));
    tail.close();

    f.show();
    auto *memo = f.find<QPlainTextEdit>("Memo1");
    QCOMPARE(memo->toPlainText(), QString());  // created before the file was written
    memo->setPlainText(QStringLiteral("行政部"));
    QTest::keyClick(f.window.get(), Qt::Key_Escape);
    QVERIFY(f.window->isVisible());
    f.action("ActionClose")->trigger();
    QVERIFY(!f.window->isVisible());
    QVERIFY(tail.open(QIODevice::ReadOnly));
    QCOMPARE(tail.readAll(), QByteArray("\xD0\xD0\xD5\xFE\xB2\xBF\r\n"));  // 行政部 in GB18030
    tail.close();

    TFormReadASheetAndSendIt next;
    QCOMPARE(next.findChild<QPlainTextEdit *>("Memo1")->toPlainText(), QStringLiteral("行政部"));
  }

  void nameColumnNotFoundLeavesTheBoxEmpty() {
    MemorySheet sheet(QStringLiteral("无姓名"));
    sheet.grid({"工号|名字|邮箱", "001|张三|zhangsan@example.com"});
    ConversionWindowFixture f(sheet);
    QVERIFY(f.prepared);
    QCOMPARE(f.edit("EditNameCol")->text(), QString());
    QCOMPARE(f.edit("LabeledEditEmailTitle")->text(), QStringLiteral("五月工资[无姓名]"));
  }

  void databaseThatCannotBeOpened() {
    TestProgramFolder folder;
    QFile blocker(folder.file("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetProgramFolderForTesting(folder.file("blocker/sub"));
    ScriptedInteraction ui;
    auto excel = SmallPayroll().workbook();
    TFormReadASheetAndSendIt window;
    QCOMPARE(ui.messages().size(), 1);
    QVERIFY(ui.messages()[0].startsWith(QStringLiteral("发生系统错误：")));
    QVERIFY(!window.PrePareSend(*excel, 3, 4, QStringLiteral("五月工资")));
    QCOMPARE(ui.messages().size(), 2);
    QVERIFY(ui.messages()[1].startsWith(QStringLiteral("打开数据库错误：")));
    QVERIFY(ui.messages()[1].endsWith(QStringLiteral("\r无法群发继续操作！")));
  }
};

int main(int argc, char *argv[]) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TestConversionWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_conversionwindow.moc"
