// Renders a horizontal and a vertical payslip of the sample workbook in the browser engine of
// the preview and keeps the pictures (payslip-render/*.png in the build folder) for a look.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "payslip/PayslipBuilder.h"
#include "support/TestPaths.h"
#include "workbook/SheetLayout.h"
#include "workbook/WorkbookAccess.h"

namespace {
QString artefactDir() { return QStringLiteral(KORVANE_BINARY_DIR "/payslip-render"); }

QVariant evaluate(QWebEnginePage *page, const QString &script) {
  QVariant result;
  bool done = false;
  page->runJavaScript(script, [&](const QVariant &value) {
    result = value;
    done = true;
  });
  if (!QTest::qWaitFor([&] { return done; }, 10000)) return {};
  return result;
}

// Share of pixels that are not (nearly) white.
double inkShare(const QImage &image) {
  qint64 ink = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 160) ++ink;
  return static_cast<double>(ink) / (static_cast<double>(image.width()) * image.height());
}
}  // namespace

class TestSlipRender : public QObject {
  Q_OBJECT

  std::unique_ptr<SpreadsheetInstance> excel_;
  int firstDataRow_ = 0;
  int emailColumn_ = 0;

 private slots:
  void initTestCase() {
    QString message;
    QVERIFY2(
        OpenWorkbook(SourceDir() + QStringLiteral("/resources/工资表样例.xls"), excel_, message),
        qPrintable(message));
    firstDataRow_ = FindFirstEmailCell(*excel_, emailColumn_);
    QVERIFY(firstDataRow_ > 1);
    QVERIFY(QDir().mkpath(artefactDir()));
  }

  void render_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("tableRows");
    QTest::newRow("horizontal") << false << "horizontal.png" << firstDataRow_;
    // One table row per worksheet column but the hidden e-mail column.
    QTest::newRow("vertical") << true << "vertical.png" << excel_->usedLastColumn() - 1;
  }
  void render() {
    QFETCH(bool, vertical);
    QFETCH(QString, file);
    QFETCH(int, tableRows);
    const QStringList footer = {QStringLiteral("人事部"),
                                QStringLiteral("如对工资有疑问，请在三日内联系人事部。")};
    const QString tempFolder = QDir::tempPath() + QLatin1Char('/');  // no ad.txt there
    const QString document = vertical
                                 ? BuildVerticalSlip(*excel_, firstDataRow_, firstDataRow_, footer,
                                                     emailColumn_, false, tempFolder)
                                 : BuildHorizontalSlip(*excel_, firstDataRow_, firstDataRow_,
                                                       footer, emailColumn_, false, tempFolder);

    QWebEngineView view;
    view.resize(1100, 700);
    view.show();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.setHtml(document);
    QVERIFY(loaded.wait(20000));
    QVERIFY(loaded.first().first().toBool());

    // The engine read the document as one table with the expected rows and no stray text.
    QCOMPARE(
        evaluate(view.page(), QStringLiteral("document.querySelectorAll('table').length")).toInt(),
        1);
    QCOMPARE(evaluate(view.page(), QStringLiteral("document.querySelector('table').rows.length"))
                 .toInt(),
             tableRows);
    QCOMPARE(evaluate(view.page(), QStringLiteral("document.querySelectorAll('a').length")).toInt(),
             2);
    // The picture covers the table and the footer, not the empty rest of the window.
    const QSize content(
        evaluate(view.page(), QStringLiteral("Math.max(document.querySelector('table')"
                                             ".getBoundingClientRect().right, 320) + 8"))
            .toInt(),
        evaluate(view.page(), QStringLiteral("document.body.getBoundingClientRect().bottom + 8"))
            .toInt());
    QVERIFY(content.width() > 100 && content.height() > 100);

    // Paint until the picture holds the table (the engine paints a few frames late).
    QImage image;
    const bool painted = QTest::qWaitFor(
        [&] {
          image = view.grab(QRect(QPoint(0, 0), content)).toImage();
          return inkShare(image) > 0.01;
        },
        10000);
    QVERIFY2(image.save(artefactDir() + QLatin1Char('/') + file), qPrintable(file));
    QVERIFY2(painted, "the page painted no table");
  }

  void cleanupTestCase() { QuitWorkbookApp(excel_); }
};

int main(int argc, char *argv[]) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TestSlipRender test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_sliprender.moc"
