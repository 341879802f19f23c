#include "About.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "BuildInfo.h"
#include "MakerSite.h"
#include "widgets/WindowPlacement.h"

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent) {
  PlaceOnFirstShow(this, WindowPlacement::DesktopCentre);
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(325, 213);

  auto *panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(2);

  ProgramIcon = new QLabel(panel);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setFixedSize(65, 57);
  ProgramIcon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(QSize(65, 57)));
  ProgramIcon->setScaledContents(true);

  ProductName = new QLabel(panel);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  ProductName->setFont(QFont(QStringLiteral("宋体"), 12, QFont::Bold));
  ProductName->setText(QApplication::applicationName());
  Version = new QLabel(VersionText(FileVersionText()), panel);
  Version->setObjectName(QStringLiteral("Version"));
  Copyright = new QLabel(QStringLiteral("Copyright © 2026 Korvane 开发组"), panel);
  Copyright->setObjectName(QStringLiteral("Copyright"));
  Comments = new QLabel(QStringLiteral("All Rights Reserved."), panel);
  Comments->setObjectName(QStringLiteral("Comments"));
  Comments->setWordWrap(true);
  WebAddress = new QLabel(MakerHomePage(), panel);
  WebAddress->setObjectName(QStringLiteral("WebAddress"));
  WebAddress->setTextFormat(Qt::PlainText);

  auto *grid = new QGridLayout(panel);
  grid->setContentsMargins(12, 12, 12, 12);
  grid->setHorizontalSpacing(14);
  grid->addWidget(ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(ProductName, 0, 1);
  grid->addWidget(Version, 1, 1);
  grid->addWidget(Copyright, 2, 0, 1, 2);
  grid->addWidget(Comments, 3, 0, 1, 2);
  grid->addWidget(WebAddress, 4, 0, 1, 2);
  grid->setRowStretch(5, 1);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(panel, 1);
  layout->addWidget(OKButton, 0, Qt::AlignHCenter);
}

QString TAboutBox::VersionText(const QString &fileVersion) {
  return QStringLiteral("Version") + fileVersion + QLatin1Char('(') +
         QString::number(kBuildNumber) + QLatin1Char(')');
}
