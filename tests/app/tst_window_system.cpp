#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <functional>
#include <memory>

#include "app/Application.h"
#include "app/UfrmMain.h"
#include "mailservers/UfrmEmailAccountSet.h"
#include "mailservers/UfrmSetSMTPServer.h"
#include "mailservers/UfrmTestSMTPServer.h"
#include "sending/UfrmSend.h"
#include "services/About.h"
#include "services/UfrmAdmire.h"
#include "services/UfrmSendMeEmail.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"
#include "threads/BackgroundThread.h"

namespace {
// Runs an X client tool on the window and returns what it printed.
QString xTool(const QString &tool, const QStringList &arguments) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
  process.setProcessEnvironment(env);
  process.start(tool, arguments);
  if (!process.waitForFinished(10000) || process.exitCode() != 0) {
    qWarning("%s failed: %s", qPrintable(tool), process.readAllStandardError().constData());
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The title as a window manager reads it: the window's _NET_WM_NAME property.
QString netWmName(const QWidget &window) {
  const QString out = xTool(
      QStringLiteral("xprop"),
      {QStringLiteral("-id"), QString::number(window.winId()), QStringLiteral("_NET_WM_NAME")});
  const auto match = QRegularExpression(QStringLiteral("= \"(.*)\"\\s*$")).match(out);
  return match.hasMatch() ? match.captured(1) : out;
}

// The window's rectangle on the X screen, as the X server has it.
QRect xGeometry(const QWidget &window) {
  const QString out =
      xTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window.winId())});
  const auto number = [&out](const char *label) {
    const auto m =
        QRegularExpression(QLatin1String(label) + QStringLiteral(":\\s*(-?\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  };
  return {number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
          number("Height")};
}

void showExposed(QWidget &window) {
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::processEvents();
}

// Centred within a pixel (odd differences round either way).
bool centredOn(const QRect &window, const QPoint &centre) {
  const QPoint delta = window.center() - centre;
  return std::abs(delta.x()) <= 1 && std::abs(delta.y()) <= 1;
}

struct NoBackgroundThreads {
  NoBackgroundThreads() {
    SetBackgroundStarter([](const char *, std::function<void()>) {});
  }
  ~NoBackgroundThreads() { SetBackgroundStarter(nullptr); }
};
}  // namespace

// The windows on a real X server (Xvfb, 1280 × 1024, no window manager): their titles and
// positions as the window system has them.
class TestWindowSystem : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgramFolder> folder_;
  NoBackgroundThreads threads_;

 private slots:
  void initTestCase() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
      QSKIP("needs the xcb platform on an X server (xvfb-run)");
    QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1280, 1024));
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->open());
  }
  void cleanupTestCase() { folder_.reset(); }

  void titlesAndDesktopCentre_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("title");
    QTest::newRow("main window") << "TFormMain"
                                 << "Korvane";
    QTest::newRow("server settings") << "TFormSetSMTPServer"
                                     << "发送邮件服务器设置";
    QTest::newRow("test window") << "TFormTestSMTPServer"
                                 << "SMTP服务器测试";
    QTest::newRow("about box") << "TAboutBox"
                               << "About";
    QTest::newRow("appreciation") << "TFormAdmire"
                                  << "赞赏";
  }
  void titlesAndDesktopCentre() {
    QFETCH(QString, window);
    QFETCH(QString, title);
    ScriptedInteraction ui;
    std::unique_ptr<QWidget> w;
    if (window == "TFormMain") w = std::make_unique<TFormMain>();
    if (window == "TFormSetSMTPServer") w = std::make_unique<TFormSetSMTPServer>();
    if (window == "TAboutBox") w = std::make_unique<TAboutBox>();
    if (window == "TFormAdmire") w = std::make_unique<TFormAdmire>();
    if (window == "TFormTestSMTPServer") {
      w = std::make_unique<TFormTestSMTPServer>();
      w->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    showExposed(*w);
    QCOMPARE(netWmName(*w), title);
    const QRect onScreen = xGeometry(*w);
    QVERIFY2(centredOn(onScreen, QPoint(640, 512)), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                   .arg(onScreen.x())
                                                                   .arg(onScreen.y())
                                                                   .arg(onScreen.width())
                                                                   .arg(onScreen.height())));
  }

  // The account editor opens over the main window, wherever that stands.
  void accountEditorOverTheMainWindow() {
    ScriptedInteraction ui;
    TFormMain main;
    showExposed(main);
    main.move(420, 300);
    QTRY_COMPARE(xGeometry(main).topLeft(), QPoint(420, 300));
    TFormSetSMTPServer settings(&main);
    showExposed(settings);
    TFormEmailAccountSet editor(&settings);
    showExposed(editor);
    QCOMPARE(netWmName(editor), QStringLiteral("邮箱账号设置"));
    QVERIFY(centredOn(xGeometry(editor), xGeometry(main).center()));
  }

  // The send window and the feedback window open over the main window too.
  void windowsOverTheMainWindow() {
    ScriptedInteraction ui;
    TFormMain main;
    showExposed(main);
    main.move(300, 200);
    QTRY_COMPARE(xGeometry(main).topLeft(), QPoint(300, 200));
    TFormSendMeEmail feedback(&main);
    showExposed(feedback);
    QCOMPARE(netWmName(feedback), QStringLiteral("问题反馈"));
    QVERIFY(centredOn(xGeometry(feedback), xGeometry(main).center()));
    auto *send = new TFormSend(&main);
    send->setAttribute(Qt::WA_DeleteOnClose, false);
    std::unique_ptr<TFormSend> owner(send);
    showExposed(*send);
    QCOMPARE(netWmName(*send), QStringLiteral("群发处理-当前工作表"));
    QVERIFY(centredOn(xGeometry(*send), xGeometry(main).center()));
  }
};

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  TestWindowSystem test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_window_system.moc"
