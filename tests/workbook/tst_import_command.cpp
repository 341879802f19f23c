// The import command "读入工资表开始新的发送&R" and the worksheet choice, with real workbooks
// and the conversion windows answered by the interaction seam.
#include <QAbstractItemModel>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

#include "data/ProgramFolder.h"
#include "payslip/UfrmReadASheetAndSendIt.h"
#include "support/ScriptedInteraction.h"
#include "support/TestDatabase.h"
#include "support/TestPaths.h"
#include "workbook/ImportCommand.h"
#include "workbook/UfrmChoiseSheets.h"

namespace {
QString workbook(const char *name) {
  return TestDataDir() + QStringLiteral("/workbook/import_fixtures/") + QLatin1String(name);
}

// What the main window offers the command: its status bar.
struct MainWindowStandIn : QMainWindow {
  QStatusBar *bar = new QStatusBar(this);
  MainWindowStandIn() {
    bar->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(bar);
  }
};

QStringList choiceRows() {
  QStringList rows;
  QString error;
  DbQuery &query = DataModule1->ADOQueryAccessComm;
  if (!SqlOpen(QStringLiteral("select sheet_name,sheet_id,selected from sheet_choise order by "
                              "choise_id"),
               query, error))
    return {error};
  for (; !query.eof(); query.next())
    rows << QStringLiteral("%1:%2:%3")
                .arg(query.field(0).toString())
                .arg(query.field(1).toInt())
                .arg(query.field(2).toInt());
  return rows;
}

// The column titled so.
int column(QTableView *grid, const QString &title) {
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    if (grid->model()->headerData(c, Qt::Horizontal).toString() == title) return c;
  return -1;
}

// The titles of the visible columns, left to right.
QStringList visibleTitles(QTableView *grid) {
  QStringList titles;
  QHeaderView *header = grid->horizontalHeader();
  for (int v = 0; v < header->count(); ++v) {
    const int logical = header->logicalIndex(v);
    if (!header->isSectionHidden(logical))
      titles << grid->model()->headerData(logical, Qt::Horizontal).toString();
  }
  return titles;
}

// Ticks the rows of the choice dialog whose names are given, as a click on the box does, then
// presses "确定&S".
void tickAndConfirm(QDialog *dialog, const QStringList &names) {
  dialog->show();
  if (!QTest::qWaitForWindowExposed(dialog)) qWarning("choice dialog not exposed");
  auto *grid = dialog->findChild<QTableView *>(QStringLiteral("DBGridEh1"));
  QAbstractItemModel *model = grid->model();
  const int nameColumn = column(grid, QStringLiteral("工作表名称"));
  const int tickColumn = column(grid, QStringLiteral("选择"));
  for (int row = 0; row < model->rowCount(); ++row) {
    if (!names.contains(model->index(row, nameColumn).data().toString())) continue;
    const QModelIndex box = model->index(row, tickColumn);
    QStyleOptionViewItem option;
    option.initFrom(grid);
    option.rect = grid->visualRect(box);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect indicator =
        grid->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, grid);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, indicator.center());
  }
  dialog->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
}

struct ImportRun {
  TestProgramFolder folder;
  ScriptedInteraction ui;
  MainWindowStandIn mainWindow;
  QStringList conversionCaptions;
  QStringList dialogRows;       // sheet_choise as the choice dialog opened
  QStringList dialogGridNames;  // the names the grid showed
  QStringList dialogTitles;
  QString dialogCaption;
  QStringList ticks;               // the rows to tick
  int conversionWindowsAlive = 0;  // the most conversion windows alive at one time

  ImportRun() {
    if (!folder.open()) qFatal("no database");
    ui.onModal = [this](QDialog *dialog) {
      if (auto *conversion = qobject_cast<TFormReadASheetAndSendIt *>(dialog)) {
        conversionCaptions << conversion->windowTitle();
        int alive = 0;
        for (QWidget *w : QApplication::allWidgets())
          if (qobject_cast<TFormReadASheetAndSendIt *>(w)) ++alive;
        conversionWindowsAlive = std::max(conversionWindowsAlive, alive);
      } else if (qobject_cast<TFormChoiseSheets *>(dialog)) {
        dialogRows = choiceRows();
        auto *grid = dialog->findChild<QTableView *>(QStringLiteral("DBGridEh1"));
        dialogTitles = visibleTitles(grid);
        const int nameColumn = column(grid, QStringLiteral("工作表名称"));
        const int tickColumn = column(grid, QStringLiteral("选择"));
        for (int row = 0; row < grid->model()->rowCount(); ++row)
          dialogGridNames
              << grid->model()->index(row, nameColumn).data().toString() + ":" +
                     grid->model()->index(row, tickColumn).data(Qt::CheckStateRole).toString();
        dialogCaption = dialog->windowTitle();
        tickAndConfirm(dialog, ticks);
      }
      return int(QDialog::Accepted);
    };
  }
  void run(const QString &path) {
    if (!path.isEmpty()) ui.fileNames.push_back(path);
    ActionLoadSalaryExcelFile(&mainWindow);
  }
  QString status() const { return mainWindow.bar->currentMessage(); }
};
}  // namespace

class TestImportCommand : public QObject {
  Q_OBJECT

 private slots:
  void onlyTheThirdSheetHoldsAddresses() {
    ImportRun r;
    r.run(workbook("third_sheet.xls"));
    QCOMPARE(r.ui.modalWindows(), QStringList{"TFormReadASheetAndSendIt"});
    QCOMPARE(r.conversionCaptions, QStringList{"正在解析工资表：三"});
    QCOMPARE(r.status(), QStringLiteral("处理完毕"));
    QVERIFY(r.ui.messages().isEmpty());
    QCOMPARE(r.ui.shown.first().kind, ScriptedInteraction::Kind::FileDialog);
    QCOMPARE(r.ui.shown.first().text, QStringLiteral("Excel Files (*.xls *.xlsx *.xlsm *.ods)"));
  }

  void choiceBetweenTwoSheets_data() {
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("status");
    QTest::newRow("only the third")
        << QStringList{"O'Brien组"} << QStringList{"正在解析工资表：O'Brien组"} << QStringList()
        << "处理完毕";
    QTest::newRow("both, one after the other")
        << QStringList{"一车间", "O'Brien组"}
        << QStringList{"正在解析工资表：一车间", "正在解析工资表：O'Brien组"} << QStringList()
        << "处理完毕";
    QTest::newRow("none") << QStringList() << QStringList()
                          << QStringList{"没有选择要处理的工作表！无法继续！"}
                          << "正在打开" + workbook("two_sheets.xlsx");
  }
  void choiceBetweenTwoSheets() {
    QFETCH(QStringList, ticks);
    QFETCH(QStringList, windows);
    QFETCH(QStringList, messages);
    QFETCH(QString, status);
    ImportRun r;
    r.ticks = ticks;
    r.run(workbook("two_sheets.xlsx"));
    // Both address sheets, unticked, the quote kept.
    QCOMPARE(r.dialogRows, (QStringList{"一车间:2:0", "O'Brien组:3:0"}));
    QCOMPARE(r.dialogGridNames, (QStringList{"一车间:0", "O'Brien组:0"}));
    QCOMPARE(r.dialogTitles, (QStringList{"选择", "工作表名称"}));
    QCOMPARE(r.dialogCaption, QStringLiteral("选择工作表"));
    QCOMPARE(r.ui.modalWindows().first(), QStringLiteral("TFormChoiseSheets"));
    QCOMPARE(r.conversionCaptions, windows);
    QVERIFY(r.conversionWindowsAlive <= 1);  // the next is prepared after the last one closed
    QCOMPARE(r.ui.messages(), messages);
    QCOMPARE(r.status(), status);
    auto ticked = [&](const char *name) {
      return ticks.contains(QString::fromUtf8(name)) ? QStringLiteral("1") : QStringLiteral("0");
    };
    // The ticks reached sheet_choise.
    QCOMPARE(choiceRows(),
             (QStringList{"一车间:2:" + ticked("一车间"), "O'Brien组:3:" + ticked("O'Brien组")}));
  }

  void noSheetHoldsAddresses() {
    ImportRun r;
    r.run(workbook("no_address.xlsx"));
    QCOMPARE(r.ui.messages(),
             QStringList{"没有发现打开的电子表格内含有具有电子邮箱地址的工资表格，无法继续。"});
    QVERIFY(r.ui.modalWindows().isEmpty());
  }

  void workbookThatCannotBeOpened() {
    ImportRun r;
    const QString path = r.folder.file("broken.xlsx");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("PK\x03\x04 not a workbook");
    file.close();
    r.run(path);
    QCOMPARE(r.ui.messages().size(), 2);
    QVERIFY(r.ui.messages()[0].startsWith(QStringLiteral("打开文件:") + path + "出错!"));
    QCOMPARE(r.ui.messages()[1], QStringLiteral("打开") + path + QStringLiteral("失败！"));
    QCOMPARE(r.status(), QStringLiteral("正在打开") + path);
  }

  void unsentPayslipsAreWarnedAbout_data() {
    QTest::addColumn<bool>("goOn");
    QTest::newRow("no") << false;
    QTest::newRow("yes, then the file dialog cancelled") << true;
  }
  void unsentPayslipsAreWarnedAbout() {
    QFETCH(bool, goOn);
    ImportRun r;
    QVERIFY(Exec("insert into payslip(f2,email_address) values('张三','z@example.com')"));
    QVERIFY(Exec("insert into sheet_choise(sheet_name,sheet_id) values('旧',1)"));
    r.ui.confirmAnswers = {goOn};
    r.run(QString());
    QCOMPARE(
        r.ui.messages(),
        QStringList{"发现存在上次未发送成功邮件，如果开始新的发送将清除上次未成功发送！继续吗？"});
    QCOMPARE(r.ui.shown.first().icon, Interaction::Icon::Question);
    QCOMPARE(r.ui.shown.size(), goOn ? 2 : 1);  // the file dialog only after Yes
    QCOMPARE(Scalar("select count(*) from payslip").toInt(), 1);
    QCOMPARE(Scalar("select count(*) from sheet_choise").toInt(), goOn ? 0 : 1);
  }

  void databaseThatCannotBeOpened() {
    TestProgramFolder folder;
    QFile blocker(folder.file("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SetProgramFolderForTesting(folder.file("blocker/sub"));
    ScriptedInteraction ui;
    MainWindowStandIn mainWindow;
    ActionLoadSalaryExcelFile(&mainWindow);
    QCOMPARE(ui.shown.size(), 1);
    QVERIFY(ui.messages()[0].startsWith(QStringLiteral("打开数据库错误：")));
    QVERIFY(ui.messages()[0].endsWith(QStringLiteral("\r无法群发继续操作！")));
  }
};

int main(int argc, char *argv[]) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TestImportCommand test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_import_command.moc"
