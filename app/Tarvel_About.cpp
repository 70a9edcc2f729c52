#include "app/Tarvel_About.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  // The tile.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2B, 0x57, 0x9A));
  p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
  // The tree's lines.
  p.setPen(QPen(QColor(0xE8, 0xEE, 0xF8), 2));
  p.drawLine(QPointF(9, 9), QPointF(9, 24));
  p.drawLine(QPointF(9, 15), QPointF(16, 15));
  p.drawLine(QPointF(9, 24), QPointF(16, 24));
  // Its items: the root, an object, a cell.
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5, 4, 9, 7));
  p.setBrush(QColor(0x7F, 0xD1, 0x5B));
  p.drawRect(QRectF(16, 12, 11, 6));
  p.setBrush(QColor(0xFF, 0xD1, 0x4A));
  p.drawRect(QRectF(16, 21, 11, 6));
  return pixmap;
}

}  // namespace

QIcon TarvelIcon() {
  static const QIcon icon = [] {
    QIcon made;
    for (const int size : {16, 24, 32, 48, 64}) made.addPixmap(DrawIcon(size));
    return made;
  }();
  return icon;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(295, 136);

  Panel1 = new QFrame(this);
  Panel1->setGeometry(0, 0, 295, 136);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setGeometry(8, 8, 33, 33);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(TarvelIcon().pixmap(32, 32));

  const auto line = [this](const char* text, int left, int top) {
    auto* label = new QLabel(text, Panel1);
    label->move(left, top);
    label->adjustSize();
    return label;
  };
  ProductName = line("KTTarvel: Tarvel", 48, 8);
  Version = line("Version 1.0", 48, 24);
  Copyright = line("Made by the Tarvel developers.", 8, 48);
  Comments = line("Shows Visio's automation object model", 8, 64);
  Comments2 = line("as a live tree, down to each cell.", 8, 96);
  Comments3 = line("Free software for Visio programmers.", 8, 112);

  OKButton = new QPushButton("OK", Panel1);
  OKButton->setGeometry(224, 12, 58, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}
