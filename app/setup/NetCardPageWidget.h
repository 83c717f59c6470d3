// The network card page's widgets (form NetCardPage.ui): shows CPage1 and forwards the
// user's choices to it.
#pragma once
#include <QWidget>
#include <memory>

#include "CPage1.h"

namespace Ui {
class NetCardPage;
}

namespace cv7::app {

class NetCardPageWidget : public QWidget {
  Q_OBJECT

 public:
  explicit NetCardPageWidget(QWidget* parent = nullptr);
  ~NetCardPageWidget() override;

  // Shows `page` and forwards to it.
  void bind(CPage1* page);
  // Shows the page's state again.
  void render();

 private:
  std::unique_ptr<Ui::NetCardPage> ui_;
  CPage1* page_ = nullptr;
  bool rendering_ = false;
};

}  // namespace cv7::app
