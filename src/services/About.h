#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product name, version and build number, copyright, the maker's site.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget *parent = nullptr);

  // "Version" + file version + "(" + build number + ")", with no blank anywhere.
  static QString VersionText(const QString &fileVersion);

 protected:
 private:
  QLabel *ProgramIcon = nullptr;
  QLabel *ProductName = nullptr;
  QLabel *Version = nullptr;
  QLabel *Copyright = nullptr;
  QLabel *Comments = nullptr;
  QLabel *WebAddress = nullptr;
  QPushButton *OKButton = nullptr;
};
