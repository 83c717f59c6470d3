// The pictures of the tuner information window, drawn with QPainter: the panel, the number
// texts, bar segments in their three styles, lock lamps, the eight locked-detail pictures,
// the antenna animation frames of the two locked states and the OK button in its three looks.
#pragma once
#include <QPainter>

#include "TunerInformationDisplay.h"

namespace cv7::app {

class TunerArtwork {
 public:
  enum class ButtonLook { Released, Pressed, Left };

  static void drawBackground(QPainter& painter, const QRect& area);
  // A number text right-aligned in the 28 x 15 well whose top left is near `at`.
  static void drawDigits(QPainter& painter, QPoint at, const QString& text);
  static void drawSegment(QPainter& painter, QPoint at, TunerInformationDisplay::Segment style);
  // One lock lamp of 19 x 19 pixels.
  static void drawLamp(QPainter& painter, QPoint at, bool lit);
  // Locked detail `picture` (1 to 8) in 17 x 13 pixels.
  static void drawDetail(QPainter& painter, QPoint at, int picture);
  // The antenna in 94 x 108 pixels: frame 0 is the dish at rest, later frames add waves.
  static void drawAntenna(QPainter& painter, QPoint at, TunerInformationDisplay::State state, int frame);
  static void drawButton(QPainter& painter, const QRect& area, ButtonLook look);

  static constexpr int kSegmentPitch = 6;
};

}  // namespace cv7::app
