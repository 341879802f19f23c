#pragma once

#include <QDialog>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Enters one new sender account. Leaving the e-mail field fills the server settings from the
// provider directory when exactly one provider has the address's domain.
class TFormEmailAccountSet : public QDialog {
  Q_OBJECT

 public:
  explicit TFormEmailAccountSet(QWidget *parent = nullptr);
  ~TFormEmailAccountSet() override;

  // The e-mail field lost the focus.
  void LabeledEditEmailExit();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void buildControls();
  void fillProviderNames();
  void test();
  void save();

  QLineEdit *LabeledEditEmail = nullptr;
  QLineEdit *LabeledEditLoginName = nullptr;
  QLineEdit *LabeledEditPassword = nullptr;
  QComboBox *ComboBoxEmailType = nullptr;
  QComboBox *ComboBoxEmailBoxName = nullptr;
  QLineEdit *LabeledEditSMTP = nullptr;
  QComboBox *ComboBoxPort = nullptr;
  QCheckBox *CheckBoxNeedLogin = nullptr;
  QPlainTextEdit *Memo2 = nullptr;
  QAction *ActionTest = nullptr;
  QAction *ActionSave = nullptr;
  QAction *ActionCancel = nullptr;
};
