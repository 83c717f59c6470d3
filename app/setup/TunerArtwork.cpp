#include "TunerArtwork.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace cv7::app {

namespace {

const QColor kPanel(0x1d, 0x2b, 0x3a), kPanelLight(0x31, 0x46, 0x5c), kEdge(0x8a, 0xa4, 0xbf);
const QColor kLabel(0xc8, 0xd6, 0xe4), kDigitOn(0x7c, 0xf0, 0x9a);
const QColor kLitLow(0x4c, 0xd9, 0x64), kLitHigh(0xff, 0xc0, 0x3a), kUnlit(0x35, 0x44, 0x52);

}  // namespace

void TunerArtwork::drawBackground(QPainter& painter, const QRect& area) {
  QLinearGradient shade(area.topLeft(), area.bottomLeft());
  shade.setColorAt(0, kPanelLight);
  shade.setColorAt(1, kPanel);
  painter.fillRect(area, shade);
  painter.setPen(QPen(kEdge, 2));
  painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), 6, 6);
  painter.setPen(kLabel);
  QFont font = painter.font();
  font.setPixelSize(12);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QPoint(14, 24), QStringLiteral("Tuner Information"));
  font.setBold(false);
  font.setPixelSize(11);
  painter.setFont(font);
  painter.drawText(QPoint(20, 62), QStringLiteral("Level"));
  painter.drawText(QPoint(20, 82), QStringLiteral("Error rate"));
  painter.drawText(QPoint(20, 127), QStringLiteral("Lock"));
  painter.drawText(QPoint(190, 127), QStringLiteral("Locked"));
  // Wells of the digits, bars and the antenna.
  painter.setPen(QPen(kEdge.darker(160), 1));
  painter.setBrush(kPanel.darker(130));
  painter.drawRect(94, 48, 30, 17);
  painter.drawRect(94, 68, 30, 17);
  painter.drawRect(125, 48, 20 * kSegmentPitch + 5, 17);
  painter.drawRect(125, 68, 20 * kSegmentPitch + 5, 17);
  painter.drawRoundedRect(QRect(284, 43, 97, 111), 4, 4);
  painter.setBrush(Qt::NoBrush);
}

void TunerArtwork::drawDigits(QPainter& painter, QPoint at, const QString& text) {
  painter.save();
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(11);
  font.setBold(true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
  painter.setFont(font);
  painter.setPen(kDigitOn);
  painter.drawText(QRect(at - QPoint(2, 2), QSize(28, 15)), Qt::AlignRight | Qt::AlignVCenter, text);
  painter.restore();
}

void TunerArtwork::drawSegment(QPainter& painter, QPoint at, TunerInformationDisplay::Segment style) {
  const QColor colour = style == TunerInformationDisplay::kLitLow    ? kLitLow
                        : style == TunerInformationDisplay::kLitHigh ? kLitHigh
                                                                     : kUnlit;
  painter.fillRect(QRect(at, QSize(kSegmentPitch - 1, 12)), colour);
  if (style != TunerInformationDisplay::kUnlit)
    painter.fillRect(QRect(at, QSize(kSegmentPitch - 1, 3)), colour.lighter(140));
}

void TunerArtwork::drawLamp(QPainter& painter, QPoint at, bool lit) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QRadialGradient glow(at + QPoint(8, 7), 10);
  const QColor colour = lit ? kLitLow : QColor(0xe0, 0x3c, 0x31);
  glow.setColorAt(0, colour.lighter(150));
  glow.setColorAt(1, colour.darker(170));
  painter.setPen(QPen(kEdge.darker(150), 1));
  painter.setBrush(glow);
  painter.drawEllipse(QRect(at + QPoint(2, 2), QSize(15, 15)));
  painter.restore();
}

void TunerArtwork::drawDetail(QPainter& painter, QPoint at, int picture) {
  painter.fillRect(QRect(at, QSize(17, 13)), kPanel.darker(150));
  for (int i = 0; i < 8; ++i) {
    const int height = 2 + i * 10 / 8;
    const QRect bar(at.x() + 1 + i * 2, at.y() + 12 - height, 1, height);
    painter.fillRect(bar, i < picture ? kDigitOn : kUnlit);
  }
}

void TunerArtwork::drawAntenna(QPainter& painter, QPoint at, TunerInformationDisplay::State state, int frame) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(at);
  const bool locked = state == TunerInformationDisplay::kLockedMedium || state == TunerInformationDisplay::kLockedHigh;
  const QColor dish = locked ? QColor(0xdf, 0xe8, 0xf0) : QColor(0x7d, 0x8a, 0x97);
  // Dish, feed arm and stand.
  painter.setPen(QPen(dish.darker(140), 2));
  painter.setBrush(dish);
  QPainterPath bowl;
  bowl.moveTo(18, 56);
  bowl.quadTo(40, 104, 80, 70);
  bowl.closeSubpath();
  painter.drawPath(bowl);
  painter.drawLine(QPointF(49, 76), QPointF(62, 50));
  painter.drawEllipse(QPointF(62, 50), 3, 3);
  painter.drawLine(QPointF(47, 82), QPointF(47, 104));
  painter.drawLine(QPointF(34, 104), QPointF(60, 104));
  // Waves from the satellite, one more with each frame.
  const QColor wave = state == TunerInformationDisplay::kLockedHigh ? kLitLow : kLitHigh;
  painter.setBrush(Qt::NoBrush);
  for (int i = 0; locked && i < frame; ++i) {
    painter.setPen(QPen(wave, 2));
    const QRectF arc(62 - 8 - i * 8, 50 - 8 - i * 8, 16 + i * 16, 16 + i * 16);
    painter.drawArc(arc, 20 * 16, 60 * 16);
  }
  painter.restore();
}

void TunerArtwork::drawButton(QPainter& painter, const QRect& area, ButtonLook look) {
  const bool pressed = look == ButtonLook::Pressed;
  painter.fillRect(area, pressed ? kPanel : kPanelLight.lighter(120));
  painter.setPen(pressed ? kPanel.darker(150) : kEdge.lighter(130));
  painter.drawLine(area.topLeft(), area.topRight());
  painter.drawLine(area.topLeft(), area.bottomLeft());
  painter.setPen(pressed ? kEdge.lighter(130) : kPanel.darker(150));
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  painter.drawLine(area.topRight(), area.bottomRight());
  if (look == ButtonLook::Left) {
    painter.setPen(QPen(kLitHigh, 1, Qt::DotLine));
    painter.drawRect(area.adjusted(2, 2, -3, -3));
  }
  painter.setPen(kLabel);
  QFont font = painter.font();
  font.setPixelSize(11);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(area.translated(pressed ? 1 : 0, pressed ? 1 : 0), Qt::AlignCenter, QStringLiteral("OK"));
}

}  // namespace cv7::app
