#include "tree/Tarvel_StateImages.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>

namespace {

const QColor kGreen(0, 168, 0);
const QColor kDarkGreen(0, 96, 0);
const QColor kBlue(0, 0, 224);
const QColor kGrey(176, 176, 176);
const QColor kDarkGrey(96, 96, 96);
const QColor kWhite(255, 255, 255);

// A question mark filling `box`: a hook, a short stem and a dot. Drawn as
// strokes, not as a font glyph, so it looks the same wherever fonts are
// missing.
void QuestionMark(QPainter& p, const QRectF& box, const QColor& color, qreal width) {
  const qreal r = 0.3 * box.width();
  const qreal cx = box.center().x();
  const qreal cy = box.top() + r + width / 2;
  QPainterPath hook;
  const QRectF circle(cx - r, cy - r, 2 * r, 2 * r);
  hook.arcMoveTo(circle, 165);
  hook.arcTo(circle, 165, -255);
  hook.lineTo(cx, box.top() + 0.68 * box.height());
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(hook);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  const qreal dot = 0.65 * width;
  p.drawEllipse(QPointF(cx, box.bottom() - dot), dot, dot);
}

void Frame(QPainter& p, const QColor& fill) {
  p.setPen(QPen(kDarkGrey, 1));
  p.setBrush(fill);
  p.drawRect(QRectF(1.5, 1.5, 13, 13));
}

void Bar(QPainter& p, int top, int height) {
  p.fillRect(QRect(4, top, 8, height), kGreen);
}

void DownTriangle(QPainter& p, qreal left, qreal top, qreal width, qreal height) {
  p.setPen(QPen(kDarkGreen, 1));
  p.setBrush(kGreen);
  p.drawPolygon(QPolygonF(
      {QPointF(left, top), QPointF(left + width, top), QPointF(left + width / 2, top + height)}));
}

// A 3 x 3 grid: cell (row, column) green where `green` says so, else
// `other`.
void Grid(QPainter& p, const std::array<std::array<bool, 3>, 3>& green, const QColor& other) {
  p.fillRect(QRect(0, 0, 16, 16), kDarkGrey);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const bool isGreen = green[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
      p.fillRect(QRect(1 + 5 * column, 1 + 5 * row, 4, 4), isGreen ? kGreen : other);
    }
  }
}

}  // namespace

QImage DrawStateImage(int index) {
  if (index < 0 || index >= kStateImageCount) return {};
  QImage image(kStateImageSize, kStateImageSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  constexpr bool G = true, o = false;
  switch (index) {
    case 0:  // DontKnow
      QuestionMark(p, QRectF(3, 1, 10, 14), kBlue, 2.4);
      break;
    case 1:  // SimpleProperty
      Frame(p, kWhite);
      Bar(p, 6, 4);
      break;
    case 2:  // SimplePropertyArray
      Frame(p, kWhite);
      Bar(p, 4, 2);
      Bar(p, 7, 2);
      Bar(p, 10, 2);
      break;
    case 3:  // Id
      QuestionMark(p, QRectF(4.5, 0.5, 7, 10.5), kGreen, 1.8);
      p.fillRect(QRect(2, 13, 12, 2), kGreen);
      break;
    case 4:  // VisObject
      p.setPen(QPen(kDarkGrey, 1));
      p.setBrush(kGrey);
      p.drawRect(QRectF(0.5, 0.5, 15, 15));
      DownTriangle(p, 2.5, 4.5, 11, 8);
      break;
    case 5:  // VisCollection: back to front
      DownTriangle(p, 0.5, 1.5, 9, 6);
      DownTriangle(p, 3.5, 5.5, 9, 6);
      DownTriangle(p, 6.5, 9.5, 9, 6);
      break;
    case 6:  // Sheet
      Grid(p, {{{G, G, G}, {G, G, G}, {G, G, G}}}, kWhite);
      break;
    case 7:  // SheetSection
      Grid(p, {{{o, o, o}, {G, G, G}, {G, G, G}}}, kGrey);
      break;
    case 8:  // SheetRow
      Grid(p, {{{o, o, o}, {G, G, G}, {o, o, o}}}, kWhite);
      break;
    case 9:  // SheetCell
      Grid(p, {{{o, o, o}, {o, G, o}, {o, o, o}}}, kWhite);
      break;
    default:
      break;
  }
  p.end();
  return image;
}

const QPixmap& StateImage(std::uint8_t index) {
  // Kept for the life of the process and never destroyed: pixmaps must not
  // outlive the application object, and static destructors run after it.
  static const auto* images = [] {
    auto* drawn = new std::array<QPixmap, kStateImageCount + 1>();
    // Image 0 stays null: state image 0 means no image. The extra last one
    // stays null too and answers for every index out of range.
    for (int i = 1; i < kStateImageCount; ++i) {
      (*drawn)[static_cast<std::size_t>(i)] = QPixmap::fromImage(DrawStateImage(i));
    }
    return drawn;
  }();
  return (*images)[index < kStateImageCount ? index : kStateImageCount];
}
