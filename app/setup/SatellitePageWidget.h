// The satellite page's widgets (form SatellitePage.ui): shows CPage2 and forwards the user's
// choices to it. Escape is swallowed on the page; Enter in the satellite combo box or the
// transponder list moves the focus on.
#pragma once
#include <QWidget>
#include <memory>

#include "CPage2.h"
#include "StringTable.h"

namespace Ui {
class SatellitePage;
}

namespace cv7::app {

class SatellitePageWidget : public QWidget {
  Q_OBJECT

 public:
  SatellitePageWidget(const StringTable& strings, QWidget* parent = nullptr);
  ~SatellitePageWidget() override;

  // Shows `page` (none: the page's window does not exist yet) and forwards to it.
  void bind(CPage2* page);
  // Shows the page's state again.
  void render();
  // The "Add..." button, under which the popup menu opens.
  QWidget* addSatelliteButton() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void connectControls();
  void setToolTips();
  void sizeColumns();
  void renderSatellites();
  void renderTransponders();

  const StringTable& strings_;
  std::unique_ptr<Ui::SatellitePage> ui_;
  CPage2* page_ = nullptr;
  bool rendering_ = false;
};

}  // namespace cv7::app
