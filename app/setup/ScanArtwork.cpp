#include "ScanArtwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace cv7::app {

QPixmap ScanArtwork::banner() {
  QPixmap picture(kBannerWidth, kBannerHeight);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, kBannerHeight);
  sky.setColorAt(0, QColor(16, 40, 96));
  sky.setColorAt(1, QColor(40, 104, 176));
  painter.fillRect(picture.rect(), sky);
  // A dish aimed at the satellite, and the waves between them.
  painter.setPen(QPen(QColor(230, 236, 244), 2));
  painter.setBrush(QColor(200, 210, 224));
  QPainterPath dish;
  dish.moveTo(14, 18);
  dish.quadTo(18, 46, 46, 46);
  dish.closeSubpath();
  painter.drawPath(dish);
  painter.drawLine(30, 32, 40, 22);
  painter.setBrush(QColor(250, 210, 80));
  painter.drawRect(180, 8, 14, 10);
  painter.drawLine(168, 13, 206, 13);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(250, 210, 80), 1.5));
  for (int wave = 0; wave < 3; ++wave) painter.drawArc(QRectF(44 + 12 * wave, 14 - 3 * wave, 20, 20), 0, 90 * 16);
  painter.setPen(QColor(255, 255, 255));
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(15);
  painter.setFont(font);
  painter.drawText(QRect(70, 22, 110, 26), Qt::AlignCenter, QStringLiteral("Corvane-7"));
  return picture;
}

QPixmap ScanArtwork::warningPiece() {
  QPixmap picture(kPieceSize, kPieceSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(120, 60, 0), 1));
  painter.setBrush(QColor(250, 190, 40));
  painter.drawPolygon(QPolygonF({QPointF(9.5, 1), QPointF(18, 17.5), QPointF(1, 17.5)}));
  painter.setPen(QPen(QColor(60, 30, 0), 2));
  painter.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12));
  painter.drawPoint(QPointF(9.5, 15));
  return picture;
}

}  // namespace cv7::app
