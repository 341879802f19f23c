#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

class PayslipPreview;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class SpreadsheetInstance;
struct ConversionOptions;

// The conversion window of one worksheet: shows how the sheet was understood, lets the user
// correct the first data row and the name column, choose the payslip style, edit the subject
// and the footer and page through the payslips; "群发工资条邮件&S" converts the sheet into the
// payslip batch and hands it to the send window.
class TFormReadASheetAndSendIt : public QDialog {
  Q_OBJECT

 public:
  // Loads the footer from tail.txt, empties the batch and shows today's count.
  explicit TFormReadASheetAndSendIt(QWidget *parent = nullptr);

  // Completes the layout of the active worksheet, fills the boxes and empties the batch. True
  // when the window may be shown.
  bool PrePareSend(SpreadsheetInstance &AnSalaryExcel, int FirstDataRowNumber, int EmailCol,
                   const QString &SalaryFileName);

  bool ClearPaySlips(QString &errorText);
  // The address of the row CurrentRowNumber.
  bool GetRowEmail(QString &address) const;
  // The rows of the batch, or -1 with the error text.
  int CountPaySlips(QString &errorText);
  // Stores one payslip row for the given worksheet row on the shared query.
  bool SavePaySlip(int row, const QString &document, QString &errorText);
  // The payslip of CurrentRowNumber into the preview.
  void RefreshPreview();
  // The text in the second status panel, painted at once.
  void ShowProgress(const QString &text);

  SpreadsheetInstance *AnExcel = nullptr;
  int FirstDataRowNumber = 1;
  int MaxRowNumber = 0;
  int EmailColumnNumber = 1;
  int CurrentRowNumber = 1;
  QString SalaryFileName;

 protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 public slots:
  void done(int result) override;

 private:
  void buildActions();
  void buildContent();
  QWidget *buildAnalysisGroup();
  QWidget *buildStyleGroup();

  ConversionOptions conversionOptions() const;
  int nameColumn() const;
  QStringList footerLines() const;
  void firstDataRowLeft();
  void moveTo(int row);
  void sendPayslips();
  bool prepareBatch();
  bool convertSheet(int &rowsWithoutAddress);
  void handOver(int rowsWithoutAddress, int keptBatch);
  void setConverting(bool on);
  void setBusy(bool on);
  void saveFooter();

  QAction *ActionFirst = nullptr;
  QAction *ActionUp = nullptr;
  QAction *ActionDown = nullptr;
  QAction *ActionEnd = nullptr;
  QAction *ActionSend = nullptr;
  QAction *ActionClose = nullptr;
  QLineEdit *EditFirstDataRowNumber = nullptr;
  QLabel *LabelDataCnt = nullptr;
  QLineEdit *EditNameCol = nullptr;
  QRadioButton *horizontal_ = nullptr;
  QRadioButton *vertical_ = nullptr;
  QCheckBox *CheckBoxShowEmail = nullptr;
  QLineEdit *LabeledEditEmailTitle = nullptr;
  PayslipPreview *WebBrowser1 = nullptr;
  QPlainTextEdit *Memo1 = nullptr;
  QWidget *bottomPanel_ = nullptr;
  QPushButton *ButtonSend = nullptr;
  QStatusBar *StatusBar1 = nullptr;
  QLabel *summaryPanel_ = nullptr;
  QLabel *progressPanel_ = nullptr;
  QProgressBar *progressBar_ = nullptr;

  bool converting_ = false;
  bool busy_ = false;
  bool checkingFirstRow_ = false;
  QElapsedTimer lastPaint_;
};
