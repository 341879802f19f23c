#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/UfrmMain.h"
#include "data/ProgramFolder.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"
#include "threads/BackgroundThread.h"
#include "widgets/LinkLabel.h"

namespace {
// Records the background threads the window starts, with whether payslip.mdb existed then,
// instead of running them.
struct ThreadRecorder {
  QStringList started;
  QList<bool> databaseExisted;
  ThreadRecorder() {
    SetBackgroundStarter([this](const char *name, std::function<void()>) {
      started << QString::fromLatin1(name);
      databaseExisted << QFile::exists(ProgramFolder() + "payslip.mdb");
    });
  }
  ~ThreadRecorder() { SetBackgroundStarter(nullptr); }
};

QDialog *plainWindow(QWidget *parent, const char *className) {
  auto *dialog = new QDialog(parent);
  dialog->setObjectName(QLatin1String(className));
  return dialog;
}

void showAndSettle(TFormMain &window) {
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

QStringList menuTexts(QMenu *menu) {
  QStringList out;
  for (QAction *a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}
}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { ClearRegisteredWindows(); }

  void captionMenuAndButtons() {
    TestProgramFolder folder;
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane"));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    const QList<QMenu *> menus =
        window.menuBar()->findChildren<QMenu *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->title(), QStringLiteral("设置"));
    QCOMPARE(menuTexts(menus[0]), QStringList{"邮件服务器设置"});
    QCOMPARE(menus[1]->title(), QStringLiteral("帮助"));
    QCOMPARE(menuTexts(menus[1]),
             (QStringList{"帮助信息", "-", "赞赏&A", "-", "问题反馈", "关于"}));
    auto *load = window.findChild<QPushButton *>("ButtonLoad");
    auto *cont = window.findChild<QPushButton *>("ButtonContinue");
    QVERIFY(load && cont);
    QCOMPARE(load->text(), QStringLiteral("读入工资表开始新的发送&R"));
    QCOMPARE(load->toolTip(),
             QStringLiteral("从Excel格式工资表自动生成工资条并群发到到电子邮箱。"));
    QCOMPARE(cont->text(), QStringLiteral("继续上次未完成发送&C"));
    QVERIFY(!load->icon().isNull());
    QVERIFY(!cont->icon().isNull());
    // Commands whose windows are not there are present but disabled.
    QVERIFY(!window.findChild<QAction *>("ActionSetSMTPServer")->isEnabled());
    QVERIFY(!load->isEnabled());
    QVERIFY(window.findChild<QAction *>("ActionHelp")->isEnabled());
    QVERIFY(window.findChild<QLabel *>("LabelTitle")->text() == "Excel工资表秒变工资条");
    QVERIFY(window.findChild<QLabel *>("LabelSubtitle")->text() == "智能导入   一键发送");
  }

  void startUpOrder() {
    TestProgramFolder folder;
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    QCOMPARE(threads.started, (QStringList{"upgrade-check", "ad-download"}));
    showAndSettle(window);
    QTRY_COMPARE(threads.started.size(), 3);
    QCOMPARE(threads.started.last(), QStringLiteral("provider-directory"));
    QVERIFY(threads.databaseExisted.last());  // created before the directory update starts
    QCOMPARE(Scalar("select count(*) from smtpservers").toInt(), 0);
    QVERIFY(ui.messages().isEmpty());
    window.hide();
    showAndSettle(window);  // a second show opens nothing again
    QCOMPARE(threads.started.size(), 3);
  }

  void unwritableFolderReportsOnceAndAgainOnSettings() {
    TestProgramFolder folder;
    QFile blocker(folder.file("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetProgramFolderForTesting(folder.file("blocker/sub"));
    RegisterWindow(AppWindow::SetSMTPServer,
                   [](QWidget *p) { return plainWindow(p, "TFormSetSMTPServer"); });
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    showAndSettle(window);
    QTRY_COMPARE(ui.messages().size(), 1);
    const QString message = ui.messages().first();
    QVERIFY2(message.startsWith(QStringLiteral("打开数据库错误：")), qPrintable(message));
    QVERIFY(message.endsWith(QStringLiteral("\r无法继续操作！")));
    QCOMPARE(threads.started.last(), QStringLiteral("provider-directory"));  // started anyway

    ui.clear();
    window.findChild<QAction *>("ActionSetSMTPServer")->trigger();
    QCOMPARE(ui.messages(), QStringList{message});
    QVERIFY(ui.modalWindows().isEmpty());
  }

  void settingsOpensItsWindow() {
    TestProgramFolder folder;
    RegisterWindow(AppWindow::SetSMTPServer,
                   [](QWidget *p) { return plainWindow(p, "TFormSetSMTPServer"); });
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    window.findChild<QAction *>("ActionSetSMTPServer")->trigger();
    QCOMPARE(ui.modalWindows(), QStringList{"QDialog"});
    QVERIFY(QFile::exists(folder.file("payslip.mdb")));
  }

  void continueWithNothingUnsent() {
    TestProgramFolder folder;
    RegisterWindow(AppWindow::Send, [](QWidget *p) { return plainWindow(p, "TFormSend"); });
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    showAndSettle(window);
    QVERIFY(Exec("insert into payslip(f2, send_status) values('已发', true)"));
    window.findChild<QPushButton *>("ButtonContinue")->click();
    QCOMPARE(ui.messages(), QStringList{"未发现有上次未完成发送！"});
    QVERIFY(ui.modalWindows().isEmpty());
  }

  void continueWithUnsentPayslips() {
    TestProgramFolder folder;
    RegisterWindow(AppWindow::Send, [](QWidget *p) { return plainWindow(p, "TFormSend"); });
    ThreadRecorder threads;
    ScriptedInteraction ui;
    int height = 0;
    ui.onModal = [&](QDialog *d) {
      height = d->height();
      return int(QDialog::Accepted);
    };
    TFormMain window;
    showAndSettle(window);
    QVERIFY(Exec("insert into payslip(f2) values('张伟')"));
    QVERIFY(Exec("insert into payslip(f2) values('王芳')"));
    window.findChild<QAction *>("ActionContinue")->trigger();
    QVERIFY(ui.messages().isEmpty());
    QCOMPARE(ui.modalWindows(), QStringList{"QDialog"});
    QVERIFY(height > 0);
  }

  void formatLink() {
    TestProgramFolder folder;
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    showAndSettle(window);
    auto *link = window.findChild<LinkLabel *>("LabelFormatRequirements");
    QCOMPARE(link->text(), QStringLiteral("工资表格式要求"));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(ui.messages(), QStringList{"1、除表头外，每一行必须包含接收人电子邮箱地址;\r"
                                        "2、文件格式为Excel格式;"});
  }

  void sampleLink() {
    TestProgramFolder folder;
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    showAndSettle(window);
    auto *link = window.findChild<LinkLabel *>("LabelSampleWorkbook");
    QCOMPARE(link->text(), QStringLiteral("工资表样例 "));

    QTest::mouseClick(link, Qt::LeftButton);  // missing: the error box only
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].kind, ScriptedInteraction::Kind::Box);
    QCOMPARE(ui.shown[0].caption, QStringLiteral("提示"));
    QCOMPARE(ui.shown[0].icon, Interaction::Icon::Error);
    QCOMPARE(ui.shown[0].text, QStringLiteral("没有找到工资表样例，请确认软件的完整性！ "));

    ui.clear();
    const QString sample = folder.file("工资表样例.xls");
    QVERIFY(QFile::copy(QStringLiteral(KORVANE_SOURCE_DIR "/resources/工资表样例.xls"), sample));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(ui.messages(), QStringList{"注意：此样例只是一个例子，不要求必须和样例表完全相同，只要"
                                        "遵循工资表格式要求就可以！"});
    QCOMPARE(ui.opened(), QList<QUrl>{QUrl::fromLocalFile(sample)});
    QCOMPARE(ui.shown.last().kind, ScriptedInteraction::Kind::External);  // after the message
  }

  // The focused button wears a frame of the focus colour, and Enter presses it.
  void buttonsShowTheFocusAndEnterPressesIt() {
    TestProgramFolder folder;
    int imports = 0;
    RegisterImportCommand([&](QWidget *) { ++imports; });
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    showAndSettle(window);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *load = window.findChild<QPushButton *>("ButtonLoad");
    auto *cont = window.findChild<QPushButton *>("ButtonContinue");
    QCOMPARE(QApplication::focusWidget(), load);  // the first button has it at the start
    const auto frameColour = [](QPushButton *button) {
      const QImage image = button->grab().toImage();
      return image.pixelColor(1, image.height() / 2).name();
    };
    const QImage loadFocused = load->grab().toImage();
    QCOMPARE(frameColour(load), QStringLiteral("#1f5fa8"));
    QVERIFY(frameColour(cont) != QStringLiteral("#1f5fa8"));

    QTest::keyClick(load, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), cont);
    QCOMPARE(frameColour(cont), QStringLiteral("#1f5fa8"));
    QVERIFY(frameColour(load) != QStringLiteral("#1f5fa8"));
    QVERIFY(load->grab().toImage() != loadFocused);

    QTest::keyClick(cont, Qt::Key_Return);  // nothing unsent in a new database
    QCOMPARE(ui.messages(), QStringList{"未发现有上次未完成发送！"});
    QTest::keyClick(cont, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), load);
    QTest::keyClick(load, Qt::Key_Enter);
    QCOMPARE(imports, 1);
  }

  void helpOpensTheBrowser() {
    TestProgramFolder folder;
    ThreadRecorder threads;
    ScriptedInteraction ui;
    TFormMain window;
    window.findChild<QAction *>("ActionHelp")->trigger();
    QCOMPARE(ui.opened().size(), 1);
    // The offline help shipped beside the program.
    QVERIFY(ui.opened().first().isLocalFile());
    QVERIFY(ui.opened().first().path().endsWith(QStringLiteral("/help/index.html")));
  }
};

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  TestMainWindow test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_main_window.moc"
