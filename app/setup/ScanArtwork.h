// The decorative pictures of the scan dialogs, drawn by the program: the 214 x 52 banner
// (bitmap 1014) and the 19 x 19 warning piece (of bitmap 228).
#pragma once
#include <QPixmap>

namespace cv7::app {

class ScanArtwork {
 public:
  static constexpr int kBannerWidth = 214, kBannerHeight = 52, kPieceSize = 19;

  static QPixmap banner();
  static QPixmap warningPiece();
};

}  // namespace cv7::app
