#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/UfrmMain.h"
#include "services/About.h"
#include "services/BuildInfo.h"
#include "services/UfrmAdmire.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"
#include "threads/BackgroundThread.h"

class TestAboutAdmire : public QObject {
  Q_OBJECT

 private slots:
  void fourPartVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << ""
                          << "0.0.0.0";
    QTest::newRow("major only") << "3"
                                << "3.0.0.0";
    QTest::newRow("three parts") << "0.1.0"
                                 << "0.1.0.0";
    QTest::newRow("four parts") << "1.0.0.29"
                                << "1.0.0.29";
    QTest::newRow("beyond 16 bits") << "70000.1"
                                    << "65535.1.0.0";
  }
  void fourPartVersion() {
    QFETCH(QString, version);
    QFETCH(QString, text);
    QCOMPARE(FourPartVersion(version), text);
  }

  void aboutBox() {
    QCOMPARE(FileVersionText(), FourPartVersion(QStringLiteral(KORVANE_PROJECT_VERSION)));
    QCOMPARE(TAboutBox::VersionText(QStringLiteral("1.0.0.29")),
             QStringLiteral("Version1.0.0.29(12)"));
    QCOMPARE(TAboutBox::VersionText(QStringLiteral("0.0.0.0")),
             QStringLiteral("Version0.0.0.0(12)"));

    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About"));
    QCOMPARE(box.size(), QSize(325, 213));
    QCOMPARE(box.findChild<QLabel *>("Version")->text(),
             QStringLiteral("Version") + FileVersionText() + QStringLiteral("(12)"));
    QCOMPARE(box.findChild<QLabel *>("ProductName")->text(), QStringLiteral("Korvane"));
    QCOMPARE(box.findChild<QLabel *>("Comments")->text(), QStringLiteral("All Rights Reserved."));
    QVERIFY(!box.findChild<QLabel *>("ProgramIcon")->pixmap().isNull());
    auto *ok = box.findChild<QPushButton *>("OKButton");
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }

  // The JPEG compiled into the program fills the window, centred and in proportion.
  void appreciationShowsItsPicture() {
    TFormAdmire window;
    QCOMPARE(window.windowTitle(), QStringLiteral("赞赏"));
    QCOMPARE(window.size(), QSize(635, 663));
    QVERIFY(!window.picture().isNull());
    QCOMPARE(window.picture().size(), QSize(620, 620));
    QCOMPARE(window.findChild<QLabel *>("StatusPanel")->text(),
             QStringLiteral("微信扫码即可赞赏，谢谢！"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *image = window.findChild<QWidget *>("Image1");
    const QImage shot = image->grab().toImage();
    QVERIFY(shot.width() > 500 && shot.height() > 500);
    // Dark modules of the code are painted across the middle, white margins at the sides.
    int dark = 0;
    for (int x = 0; x < shot.width(); ++x)
      if (qGray(shot.pixel(x, shot.height() / 2)) < 80) ++dark;
    QVERIFY2(dark > shot.width() / 10, qPrintable(QString::number(dark)));
    QVERIFY(qGray(shot.pixel(2, shot.height() / 2)) > 200);
  }

  // The main window's help menu opens the three windows of this subsystem.
  void mainWindowOpensThem() {
    TestProgramFolder folder;
    SetBackgroundStarter([](const char *, std::function<void()>) {});
    ClearRegisteredWindows();
    RegisterStandardWindows();
    ScriptedInteraction ui;
    {
      TFormMain window;
      for (const char *name : {"ActionAdmire", "ActionSendMe", "ActionAbout"}) {
        auto *action = window.findChild<QAction *>(QLatin1String(name));
        QVERIFY(action->isEnabled());
        action->trigger();
      }
    }
    QCOMPARE(ui.modalWindows(), (QStringList{"TFormAdmire", "TFormSendMeEmail", "TAboutBox"}));
    SetBackgroundStarter(nullptr);
  }
};

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  TestAboutAdmire test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_about_admire.moc"
