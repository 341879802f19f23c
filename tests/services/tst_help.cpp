#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/UfrmMain.h"
#include "data/ProgramFolder.h"
#include "services/MakerSite.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"
#include "support/TestPaths.h"
#include "threads/BackgroundThread.h"
#include "widgets/LinkLabel.h"

namespace {
// The help as the build lays it out beside the program.
const QString kHelpFolder = QStringLiteral(KORVANE_BINARY_DIR "/bin/help/");

QString readText(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList attributeValues(const QString &html, const QString &attribute) {
  static const QRegularExpression tag(QStringLiteral("<[a-zA-Z][^>]*>"));
  const QRegularExpression value(QStringLiteral("\\s%1\\s*=\\s*\"([^\"]*)\"").arg(attribute));
  QStringList out;
  for (auto tags = tag.globalMatch(html); tags.hasNext();) {
    const QString t = tags.next().captured(0);
    for (auto values = value.globalMatch(t); values.hasNext();) out << values.next().captured(1);
  }
  return out;
}

QStringList pages() {
  return QDir(kHelpFolder).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}
}  // namespace

class TestHelp : public QObject {
  Q_OBJECT

 private slots:
  void pagesShipBesideTheProgram() {
    const QStringList shipped = QDir(kHelpFolder).entryList(QDir::Files, QDir::Name);
    const QStringList sources =
        QDir(SourceDir() + QStringLiteral("/resources/help")).entryList(QDir::Files, QDir::Name);
    QCOMPARE(shipped, sources);
    for (const char *page : {"index.html", "format.html", "import.html", "accounts.html",
                             "pacing.html", "troubleshooting.html"})
      QVERIFY2(pages().contains(QLatin1String(page)), page);
    for (const QString &name : shipped)
      QCOMPARE(readText(kHelpFolder + name),
               readText(SourceDir() + QStringLiteral("/resources/help/") + name));
  }

  // Every relative link and stylesheet resolves offline, down to the anchor; every page is
  // reachable from the table of contents.
  void linksResolveOffline() {
    QSet<QString> linkedFromIndex;
    for (const QString &page : pages()) {
      const QString html = readText(kHelpFolder + page);
      QVERIFY2(html.contains(QStringLiteral("<meta charset=\"utf-8\">")), qPrintable(page));
      QVERIFY2(html.contains(QStringLiteral("lang=\"zh-CN\"")), qPrintable(page));
      const QStringList targets = attributeValues(html, QStringLiteral("href")) +
                                  attributeValues(html, QStringLiteral("src"));
      QVERIFY(!targets.isEmpty());
      for (const QString &target : targets) {
        const QString where = page + QStringLiteral(" → ") + target;
        QVERIFY2(
            !target.contains(QStringLiteral("://")) && !target.startsWith(QStringLiteral("//")),
            qPrintable(where + QStringLiteral(": help must work offline")));
        const qsizetype hash = target.indexOf(QLatin1Char('#'));
        const QString file = hash < 0 ? target : target.left(hash);
        const QString anchor = hash < 0 ? QString() : target.mid(hash + 1);
        const QString targetPage = file.isEmpty() ? page : file;
        QVERIFY2(QFile::exists(kHelpFolder + targetPage), qPrintable(where));
        if (!anchor.isEmpty()) {
          const QStringList ids = attributeValues(readText(kHelpFolder + targetPage), "id");
          QVERIFY2(ids.contains(anchor), qPrintable(where + QStringLiteral(": no such anchor")));
        }
        if (page == QLatin1String("index.html")) linkedFromIndex << targetPage;
      }
    }
    for (const QString &page : pages())
      QVERIFY2(page == QLatin1String("index.html") || linkedFromIndex.contains(page),
               qPrintable(page + QStringLiteral(" is not in the table of contents")));
  }

  // The account page names the same server and port as the provider directory fills in.
  void accountPageAgreesWithTheDirectory() {
    const QString accounts = readText(kHelpFolder + QStringLiteral("accounts.html"));
    const QString directory =
        readText(SourceDir() + QStringLiteral("/resources/providers/providers.tsv"));
    for (const char *domain : {"qq.com", "163.com", "126.com", "exmail.qq.com", "qiye.163.com",
                               "outlook.com", "gmail.com"}) {
      QString host, port;
      for (const QString &line : directory.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() > 5 && fields[5] == QLatin1String(domain)) {
          host = fields[1];
          port = fields[2];
        }
      }
      QVERIFY2(!host.isEmpty(), domain);
      QVERIFY2(accounts.contains(host), qPrintable(host));
      const QRegularExpression row(QRegularExpression::escape(host) + QStringLiteral(".*?") +
                                   QStringLiteral("<td>[^<]*\\b%1\\b").arg(port));
      QVERIFY2(row.match(accounts).hasMatch(), qPrintable(host + QLatin1Char(':') + port));
    }
    for (const char *word : {"授权码", "客户端专用密码", "客户端授权密码", "应用专用密码",
                             "两步验证", "STARTTLS", "基本身份验证"})
      QVERIFY2(accounts.contains(QString::fromUtf8(word)), word);
  }

  // "帮助信息" and the format link open the offline pages in the browser.
  void mainWindowOpensTheOfflinePages() {
    TestProgramFolder folder;
    SetBackgroundStarter([](const char *, std::function<void()>) {});
    ScriptedInteraction ui;
    TFormMain window;
    window.findChild<QAction *>("ActionHelp")->trigger();
    QCOMPARE(ui.opened(), QList<QUrl>{HelpPageUrl()});
    QCOMPARE(HelpPageUrl(),
             QUrl::fromLocalFile(ShippedFilesFolder() + QStringLiteral("help/index.html")));

    ui.clear();
    auto *link = window.findChild<LinkLabel *>("LabelFormatRequirements");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(ui.messages(), QStringList{"1、除表头外，每一行必须包含接收人电子邮箱地址;\r"
                                        "2、文件格式为Excel格式;"});
    QCOMPARE(ui.opened(), QList<QUrl>{HelpPageUrl(QStringLiteral("format.html"))});
    QCOMPARE(ui.shown.last().kind, ScriptedInteraction::Kind::External);  // after the message
    QVERIFY(QFile::exists(kHelpFolder + QStringLiteral("format.html")));
    SetBackgroundStarter(nullptr);
  }
};

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  SetUpApplication(app);
  TestHelp test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_help.moc"
