#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include "SendFixture.h"
#include "app/AppWindows.h"
#include "app/Application.h"
#include "app/UfrmMain.h"
#include "data/Data.h"
#include "sending/UfrmSend.h"
#include "support/HttpTestServer.h"
#include "support/ScriptedInteraction.h"
#include "support/SmtpTestServer.h"
#include "support/TestDatabase.h"
#include "widgets/PayslipPreview.h"

using namespace SendFixture;

namespace {
template <typename T>
T *child(QWidget *window, const char *name) {
  T *w = window->findChild<T *>(QLatin1String(name));
  if (!w) qWarning("no %s", name);
  return w;
}

QAction *action(QWidget *window, const char *name) { return child<QAction>(window, name); }
QString statusText(QWidget *window) { return child<QLabel>(window, "StatusPanel0")->text(); }

void writeMassIni(const QString &path, const QByteArray &text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(text);
}

// The window as its callers open it, but shown without a modal loop. It frees itself when
// closed; what is left is freed at the end.
struct Window {
  QPointer<TFormSend> form = new TFormSend;
  // The subject, as the conversion window sets it before it shows the window.
  explicit Window(const QString &subject = QString()) {
    if (!subject.isNull()) form->EmailTitle = subject;
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.data()));
  }
  ~Window() { delete form.data(); }
  TFormSend *operator->() { return form.data(); }
  template <typename T>
  T *get(const char *name) {
    return child<T>(form.data(), name);
  }
  QStringList log() {
    return get<QPlainTextEdit>("Memo1")->toPlainText().split('\n', Qt::SkipEmptyParts);
  }
  void clickSend() { QTest::mouseClick(get<QPushButton>("ButtonSend"), Qt::LeftButton); }
  bool waitForIdle(int ms = 30000) {
    return QTest::qWaitFor([this] { return !form->isSending(); }, ms);
  }
};
}  // namespace

class TestSendWindow : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgramFolder> folder_;
  std::unique_ptr<ScriptedInteraction> ui_;

 private slots:
  void initTestCase() {
    SetUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
  }
  void init() {
    folder_ = std::make_unique<TestProgramFolder>();
    QVERIFY(folder_->open());
    ui_ = std::make_unique<ScriptedInteraction>();
  }
  void cleanup() {
    ui_.reset();
    folder_.reset();
  }

  void builtInDefaults();
  void optionsSurviveClosing();
  void storedIntervalThatIsNoNumber();
  void selectionCommands_data();
  void selectionCommands();
  void clickTogglesTheSelection();
  void subjectLabel_data();
  void subjectLabel();
  void sendsAndOffersTheRetry();
  void noAccountOpensTheEditor();
  void accountMustBeChosen();
  void staysLiveWhileAServerIsSilent();
  void closingWaitsForThePass();
  void previewRunsNoScriptAndLoadsNothing();
  void continueCommandOpensTheWindow();
};

void TestSendWindow::builtInDefaults() {
  addPayslips({"a@example.com", "b@example.com"}, true);
  addPayslips({"c@example.com"});
  addAccount("甲", "127.0.0.1", 25);
  Window w;
  QCOMPARE(w->windowTitle(), QStringLiteral("群发处理-当前工作表"));
  QCOMPARE(w.get<QSpinBox>("EditInteval")->text(), QStringLiteral("7"));
  QCOMPARE(w.get<QComboBox>("ComboBoxSendCnt")->currentText(), QStringLiteral("30"));
  QCOMPARE(w.get<QComboBox>("ComboBoxSendCnt")->count(), 31);
  QCOMPARE(w.get<QComboBox>("ComboBoxSendCnt")->itemText(0), QStringLiteral("5"));
  QCOMPARE(w.get<QComboBox>("ComboBoxSendCnt")->itemText(30), QStringLiteral("300"));
  QCOMPARE(w.get<QComboBox>("ComboBoxWait")->currentText(), QStringLiteral("10"));
  QCOMPARE(w.get<QComboBox>("ComboBoxWait")->count(), 90);
  QCOMPARE(w.get<QComboBox>("ComboBoxWait")->itemText(89), QStringLiteral("900"));
  for (const char *box : {"CheckBoxInTurn", "CheckBoxRandom", "CheckBoxAddNameToEmailTitle"})
    QVERIFY(!w.get<QCheckBox>(box)->isChecked());
  QCOMPARE(w.get<QComboBox>("wwDBComboBoxSMTPServer")->count(), 1);
  QCOMPARE(w.get<QComboBox>("wwDBComboBoxSMTPServer")->currentIndex(), -1);
  QCOMPARE(w->EmailTitle, QString());
  QCOMPARE(statusText(w.form.data()), QStringLiteral("本次选择了1条准备发送。"));
  QCOMPARE(w.get<QLabel>("LabelTitle")->text(), QStringLiteral("邮件标题："));
  QVERIFY(!w.get<QPushButton>("ButtonStopSend")->isVisible());
  QVERIFY(ui_->messages().isEmpty());
}

void TestSendWindow::optionsSurviveClosing() {
  const int first = addAccount("甲", "127.0.0.1", 25);
  const int second = addAccount("乙", "127.0.0.1", 26);
  Q_UNUSED(first);
  addPayslips({"a@example.com"});
  {
    Window w;
    w->EmailTitle = QStringLiteral("十一月工资条");
    auto *chooser = w.get<QComboBox>("wwDBComboBoxSMTPServer");
    chooser->setCurrentIndex(chooser->findData(QString::number(second)));
    w.get<QCheckBox>("CheckBoxInTurn")->setChecked(true);
    w.get<QSpinBox>("EditInteval")->setValue(12);
    w.get<QCheckBox>("CheckBoxRandom")->setChecked(true);
    w.get<QComboBox>("ComboBoxSendCnt")->setEditText("45");
    w.get<QComboBox>("ComboBoxWait")->setEditText("120");
    w.get<QCheckBox>("CheckBoxAddNameToEmailTitle")->setChecked(true);
    w->close();
  }
  QFile ini(folder_->file("Mass.ini"));
  QVERIFY(ini.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(ini.readAll()),
           QStringLiteral("[SMTP]\nServer=%1\nInTurn=1\nInterval=12\nRandWaitSecond=1\n"
                          "SendCnt=45\nWaitSecond=120\nAddName=1\n[EMAIL]\nTITLE=十一月工资条\n")
               .arg(second));
  Window again;
  QCOMPARE(again.get<QComboBox>("wwDBComboBoxSMTPServer")->currentText(), QStringLiteral("乙"));
  QVERIFY(again.get<QCheckBox>("CheckBoxInTurn")->isChecked());
  QCOMPARE(again.get<QSpinBox>("EditInteval")->value(), 12);
  QVERIFY(again.get<QCheckBox>("CheckBoxRandom")->isChecked());
  QCOMPARE(again.get<QComboBox>("ComboBoxSendCnt")->currentText(), QStringLiteral("45"));
  QCOMPARE(again.get<QComboBox>("ComboBoxWait")->currentText(), QStringLiteral("120"));
  QVERIFY(again.get<QCheckBox>("CheckBoxAddNameToEmailTitle")->isChecked());
  QVERIFY(again->AddNameToEmailTitleHead);
  QCOMPARE(again->EmailTitle, QStringLiteral("十一月工资条"));
  QCOMPARE(again.get<QLabel>("LabelTitle")->text(), QStringLiteral("邮件标题：员工1,十一月工资条"));
}

void TestSendWindow::storedIntervalThatIsNoNumber() {
  writeMassIni(folder_->file("Mass.ini"),
               "[SMTP]\nInTurn=\nInterval=abc\nSendCnt=60\nAddName=1\n[EMAIL]\nTITLE=工资\n");
  Window w;
  QCOMPARE(ui_->messages(), QStringList{"'abc'不是有效的整数值"});
  QCOMPARE(w.get<QSpinBox>("EditInteval")->value(), 7);
  QVERIFY(w.get<QCheckBox>("CheckBoxInTurn")->isChecked());
  QCOMPARE(w.get<QComboBox>("ComboBoxSendCnt")->currentText(), QStringLiteral("60"));
  // The set-up stopped before the name option.
  QVERIFY(!w.get<QCheckBox>("CheckBoxAddNameToEmailTitle")->isChecked());
  QCOMPARE(w->EmailTitle, QStringLiteral("工资"));
}

void TestSendWindow::selectionCommands_data() {
  QTest::addColumn<int>("sent");
  QTest::addColumn<int>("unsent");
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("status");  // empty: the count text of the creation stays
  QTest::addColumn<int>("selected");
  QTest::newRow("all") << 2 << 2 << "ActionSelectAll"
                       << "本次选择了4条准备发送。" << 4;
  QTest::newRow("none") << 2 << 2 << "ActionUnSelectAll"
                        << "本次选择了0条准备发送。" << 0;
  QTest::newRow("reverse") << 3 << 1 << "ActionReverseSelection"
                           << "本次选择了3条准备发送。" << 3;
  QTest::newRow("unsent") << 3 << 1 << "ActionSelectUnSend"
                          << "本次选择了1条准备发送。" << 1;
  QTest::newRow("all, empty list") << 0 << 0 << "ActionSelectAll"
                                   << "" << 0;
  QTest::newRow("none, empty list") << 0 << 0 << "ActionUnSelectAll"
                                    << "" << 0;
  QTest::newRow("reverse, empty list") << 0 << 0 << "ActionReverseSelection"
                                       << "本次选择了0条准备发送。" << 0;
  QTest::newRow("unsent, empty list") << 0 << 0 << "ActionSelectUnSend"
                                      << "本次选择了0条准备发送。" << 0;
}

void TestSendWindow::selectionCommands() {
  QFETCH(int, sent);
  QFETCH(int, unsent);
  QFETCH(QString, command);
  QFETCH(QString, status);
  QFETCH(int, selected);
  QStringList a, b;
  for (int i = 0; i < sent; ++i) a << QStringLiteral("s%1@example.com").arg(i);
  for (int i = 0; i < unsent; ++i) b << QStringLiteral("u%1@example.com").arg(i);
  addPayslips(a, true);
  addPayslips(b);
  Window w;
  w.get<QLabel>("StatusPanel0")->setText("before");
  action(w.form.data(), command.toLatin1().constData())->trigger();
  QCOMPARE(statusText(w.form.data()), status.isEmpty() ? QStringLiteral("before") : status);
  auto *grid = w.get<QTableView>("wwDBGrid1");
  int checked = 0;
  for (int r = 0; r < grid->model()->rowCount(); ++r)
    if (grid->model()->index(r, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked) ++checked;
  QCOMPARE(checked, selected);
  if (command == "ActionReverseSelection" || command == "ActionSelectUnSend") {
    if (sent + unsent > 0) QCOMPARE(grid->currentIndex().row(), sent + unsent - 1);
  }
}

void TestSendWindow::clickTogglesTheSelection() {
  addPayslips({"a@example.com", "b@example.com"});
  Window w;
  auto *grid = w.get<QTableView>("wwDBGrid1");
  const QRect cell = grid->visualRect(grid->model()->index(0, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QCOMPARE(grid->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QCOMPARE(statusText(w.form.data()), QStringLiteral("本次选择了1条准备发送。"));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QCOMPARE(grid->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  // Clicking the name changes nothing.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                    grid->visualRect(grid->model()->index(1, 1)).center());
  QCOMPARE(statusText(w.form.data()), QStringLiteral("本次选择了2条准备发送。"));
}

void TestSendWindow::subjectLabel_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("addName");
  QTest::addColumn<QString>("label");
  QTest::newRow("name on") << "张三" << true << "邮件标题：张三,工资条";
  QTest::newRow("name off") << "张三" << false << "邮件标题：工资条";
  QTest::newRow("empty name") << "" << true << "邮件标题：工资条";
}

void TestSendWindow::subjectLabel() {
  QFETCH(QString, name);
  QFETCH(bool, addName);
  QFETCH(QString, label);
  addPayslips({"a@example.com"});
  QVERIFY(Exec(QStringLiteral("update payslip set f2='%1'").arg(name)));
  Window w(QStringLiteral("工资条"));
  w.get<QCheckBox>("CheckBoxAddNameToEmailTitle")->setChecked(addName);
  QCOMPARE(w.get<QLabel>("LabelTitle")->text(), label);
  QCOMPARE(w->GetTitleWithName(), name.isEmpty() ? QStringLiteral("工资条") : name + ",工资条");
}

void TestSendWindow::sendsAndOffersTheRetry() {
  SmtpTestServer server;
  SmtpTestServer::Options options;
  options.refuseRecipients = {"b@example.com"};
  QVERIFY(server.start(options));
  const int account = addAccount("公司", server.host(), server.port());
  addPayslips({"a@example.com", "b@example.com", "c@example.com"});
  ui_->confirmAnswers = {true, false};
  Window w;
  auto *chooser = w.get<QComboBox>("wwDBComboBoxSMTPServer");
  chooser->setCurrentIndex(chooser->findData(QString::number(account)));
  w.get<QSpinBox>("EditInteval")->setValue(0);
  w->EmailTitle = QStringLiteral("工资条");
  w.clickSend();
  QVERIFY(QTest::qWaitFor([&] { return ui_->messages().size() >= 4; }, 30000));
  QVERIFY(w.waitForIdle());
  const QString refused = QStringLiteral(
      "通过公司向员工2(b@example.com)发送工资条邮件失败！550 5.1.1 <b@example.com>: Recipient "
      "address rejected");
  QCOMPARE(w.log(), (QStringList{"通过公司向员工1(a@example.com)发送工资条邮件成功！", refused,
                                 "通过公司向员工3(c@example.com)发送工资条邮件成功！",
                                 "---------再次发送未成功邮件---------", refused}));
  QCOMPARE(
      ui_->messages(),
      (QStringList{"发送完毕!成功2条,失败1条!", "本次发送有未成功邮件，重新尝试发送这些邮件吗？",
                   "发送完毕!成功0条,失败1条!", "本次发送有未成功邮件，重新尝试发送这些邮件吗？"}));
  // Enter answers the retry question with Yes.
  QVERIFY(ui_->shown.at(1).acceptIsDefault);
  QCOMPARE(sendStatuses(), (QList<bool>{true, false, true}));
  QCOMPARE(w->SMTPServerID, account);
  QCOMPARE(w->SendInterval, 0);
  auto *grid = w.get<QTableView>("wwDBGrid1");
  // The list was reopened: new statuses, no row selected.
  QCOMPARE(grid->model()->index(0, 3).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  QCOMPARE(grid->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
  QCOMPARE(statusText(w.form.data()), QStringLiteral("本次选择了0条准备发送。"));
  QCOMPARE(w.get<QProgressBar>("ProgressBar1")->value(), 3);
  QCOMPARE(server.received().size(), 2);
}

void TestSendWindow::noAccountOpensTheEditor() {
  addPayslips({"a@example.com"});
  ui_->onModal = [](QDialog *) {
    Exec(
        "insert into smtp_server(server_name,host,port,login,emailaddress) "
        "values('新账户','127.0.0.1',25,false,'hr@example.com')");
    return int(QDialog::Accepted);
  };
  Window w;
  w.clickSend();
  QCOMPARE(ui_->messages(), QStringList{"您没有设置邮件服务器信息，请设置。"});
  QCOMPARE(ui_->modalWindows(), QStringList{"TFormEmailAccountSet"});
  QCOMPARE(w.get<QComboBox>("wwDBComboBoxSMTPServer")->currentText(), QStringLiteral("新账户"));
  QCOMPARE(sendStatuses(), QList<bool>{false});
  QVERIFY(!w->isSending());
}

void TestSendWindow::accountMustBeChosen() {
  addAccount("甲", "127.0.0.1", 25);
  addPayslips({"a@example.com"});
  Window w;
  w.clickSend();
  QCOMPARE(ui_->messages(), QStringList{"请选择邮件服务器！"});
  QVERIFY(ui_->modalWindows().isEmpty());
  QVERIFY(!w->isSending());
}

void TestSendWindow::staysLiveWhileAServerIsSilent() {
  SmtpTestServer silent;
  SmtpTestServer::Options options;
  options.silent = true;
  QVERIFY(silent.start(options));
  const int account = addAccount("静默", silent.host(), silent.port());
  addPayslips({"a@example.com", "b@example.com"});
  Window w;
  auto *chooser = w.get<QComboBox>("wwDBComboBoxSMTPServer");
  chooser->setCurrentIndex(chooser->findData(QString::number(account)));
  w.get<QSpinBox>("EditInteval")->setValue(0);
  w.clickSend();
  QVERIFY(QTest::qWaitFor(
      [&] { return statusText(w.form.data()) == QStringLiteral("正在发邮件到a@example.com"); },
      5000));
  QVERIFY(w->isSending());
  QVERIFY(!w.get<QPushButton>("ButtonSend")->isEnabled());
  for (const char *name : {"ActionSend", "ActionSelectAll", "ActionUnSelectAll",
                           "ActionReverseSelection", "ActionSelectUnSend"})
    QVERIFY2(!action(w.form.data(), name)->isEnabled(), name);
  auto *stop = w.get<QPushButton>("ButtonStopSend");
  QVERIFY(stop->isVisible());
  QVERIFY(stop->isEnabled());
  QCOMPARE(stop->text(), QStringLiteral("终止发送&o"));

  // While the session waits for a greeting that never comes, events are handled at once.
  QElapsedTimer clock;
  qint64 worst = 0;
  for (int i = 0; i < 10; ++i) {
    bool handled = false;
    clock.start();
    QTimer::singleShot(0, [&] { handled = true; });
    QVERIFY(QTest::qWaitFor([&] { return handled; }, 1000));
    worst = qMax(worst, clock.elapsed());
    QTest::qWait(20);
  }
  QVERIFY2(worst < 100, qPrintable(QString::number(worst)));

  QTest::mouseClick(stop, Qt::LeftButton);
  QVERIFY(w->isSending());  // the current mail ends first
  silent.stop();            // the session fails at once
  QVERIFY(w.waitForIdle());
  QCOMPARE(ui_->messages().value(0), QStringLiteral("发送过程被中断"));
  QCOMPARE(ui_->messages().value(1), QStringLiteral("发送完毕!成功0条,失败1条!"));
  QVERIFY(!stop->isVisible());
  QVERIFY(w.get<QPushButton>("ButtonSend")->isEnabled());
  QCOMPARE(w.log().size(), 1);
  QVERIFY(w.log().first().startsWith("通过静默向员工1(a@example.com)发送工资条邮件失败！"));
  QCOMPARE(errorTexts().at(1), QString());
}

void TestSendWindow::closingWaitsForThePass() {
  SmtpTestServer silent;
  SmtpTestServer::Options options;
  options.silent = true;
  QVERIFY(silent.start(options));
  addAccount("静默", silent.host(), silent.port());
  addPayslips({"a@example.com"});
  Window w;
  w.get<QCheckBox>("CheckBoxInTurn")->setChecked(true);
  w.get<QSpinBox>("EditInteval")->setValue(0);
  w.clickSend();
  QVERIFY(QTest::qWaitFor([&] { return w->isSending(); }, 5000));
  w->close();
  QTest::qWait(50);
  QVERIFY(!w.form.isNull() && w->isVisible());
  QVERIFY(!QFile::exists(folder_->file("Mass.ini")));
  silent.stop();
  QVERIFY(QTest::qWaitFor([&] { return w.form.isNull(); }, 30000));
  QCOMPARE(ui_->messages().value(0), QStringLiteral("发送完毕!成功0条,失败1条!"));
  QVERIFY(QFile::exists(folder_->file("Mass.ini")));
}

void TestSendWindow::previewRunsNoScriptAndLoadsNothing() {
  HttpTestServer web;
  QVERIFY(web.start());
  web.putFile("logo.png", "not really a picture");
  addPayslips({"a@example.com", "b@example.com"});
  QVERIFY(Exec(QStringLiteral("update payslip set html_str='<html><head><title>工资条</title>"
                              "<script>document.title=''ran''</script></head><body>"
                              "<img src=\"%1/logo.png\"><p>甲的工资条</p></body></html>' "
                              "where payslip_id=1")
                   .arg(web.baseUrl())));
  Window w;
  auto *preview = w.get<PayslipPreview>("WebBrowser1");
  // Creation leaves the list on its last row; move to the first one.
  QSignalSpy loaded(preview, &QWebEngineView::loadFinished);
  child<QAction>(w.form.data(), "NavigatorFirst")->trigger();
  QVERIFY(QTest::qWaitFor([&] { return preview->title() == QStringLiteral("工资条"); }, 20000));
  QTest::qWait(300);
  QCOMPARE(preview->title(), QStringLiteral("工资条"));
  QString html;
  preview->page()->toHtml([&](const QString &text) { html = text; });
  QVERIFY(QTest::qWaitFor([&] { return !html.isEmpty(); }, 10000));
  QVERIFY(html.contains(QStringLiteral("甲的工资条")));
  QVERIFY(web.requests().isEmpty());
}

void TestSendWindow::continueCommandOpensTheWindow() {
  ClearRegisteredWindows();
  RegisterStandardWindows();
  writeMassIni(folder_->file("Mass.ini"), "[EMAIL]\nTITLE=上月工资\n");
  TFormMain main;
  QStringList titles;
  QString subject;
  ui_->onModal = [&](QDialog *dialog) {
    titles << dialog->windowTitle();
    if (auto *send = qobject_cast<TFormSend *>(dialog)) subject = send->EmailTitle;
    return int(QDialog::Rejected);
  };
  auto *continueAction = main.findChild<QAction *>("ActionContinue");
  continueAction->trigger();
  QCOMPARE(ui_->messages(), QStringList{"未发现有上次未完成发送！"});
  addPayslips({"a@example.com"});
  continueAction->trigger();
  QCOMPARE(titles, QStringList{"群发处理-当前工作表"});
  QCOMPARE(subject, QStringLiteral("上月工资"));
  ClearRegisteredWindows();
}

QTEST_MAIN(TestSendWindow)
#include "tst_sendwindow.moc"
