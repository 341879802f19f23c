#include "UfrmAdmire.h"

#include <QLabel>
#include <QPainter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "widgets/WindowPlacement.h"

namespace {
// Draws the picture centred and scaled to fit, keeping its proportions.
class FittedPicture : public QWidget {
 public:
  FittedPicture(const QPixmap &picture, QWidget *parent) : QWidget(parent), picture_(picture) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (picture_.isNull()) return;
    const QSize size = picture_.size().scaled(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), size);
    target.moveCenter(rect().center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, picture_);
  }

 private:
  QPixmap picture_;
};
}  // namespace

TFormAdmire::TFormAdmire(QWidget *parent)
    : QDialog(parent), picture_(QStringLiteral(":/pictures/admire.jpg"), "JPG") {
  PlaceOnFirstShow(this, WindowPlacement::DesktopCentre);
  setObjectName(QStringLiteral("FormAdmire"));
  setWindowTitle(QStringLiteral("赞赏"));
  resize(635, 663);

  auto *image = new FittedPicture(picture_, this);
  image->setObjectName(QStringLiteral("Image1"));
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  auto *tip = new QLabel(QStringLiteral("微信扫码即可赞赏，谢谢！"), StatusBar1);
  tip->setObjectName(QStringLiteral("StatusPanel"));
  StatusBar1->addWidget(tip, 1);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(image, 1);
  layout->addWidget(StatusBar1);
}
