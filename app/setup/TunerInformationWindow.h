// The "Tuner Information" window (226): a frameless window, moved by dragging, that draws
// everything itself into an off-screen picture: the level and error-rate digits and bars,
// the lock lamps, the locked detail, the antenna animation of the locked states and its own
// OK button, the only way to close it. Keys do not close it. The rules of what it shows are
// TunerInformationDisplay's.
//
// Window thread only.
#pragma once
#include <QDialog>
#include <QImage>
#include <QTimer>

#include "TunerArtwork.h"
#include "TunerInformationDisplay.h"
#include "TunerInformationView.h"

namespace cv7::app {

class TunerInformationWindow : public QDialog, public TunerInformationView {
  Q_OBJECT

 public:
  static constexpr int kWidth = 395, kHeight = 191;
  static constexpr QRect kOkArea{162, 165, 58, 18};
  using Button = TunerArtwork::ButtonLook;

  // The opening: reads the card's record and shows it.
  explicit TunerInformationWindow(QWidget* parent = nullptr);
  ~TunerInformationWindow() override;

  bool ready() const override { return ready_; }
  void Update(const TunerInformation& record) override;

  const TunerInformationDisplay& display() const { return display_; }
  Button button() const { return button_; }
  // The running animation timer's period in ms, 0 when none runs.
  int animationInterval() const;
  const QImage& surface() const { return surface_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void startAnimation();
  void animate(int timer);
  // Draws the whole picture again from the display's state into the surface.
  void compose();
  void setButton(Button button);
  // Closes now, or as soon as an update in progress has finished.
  void closeWhenUpdated();

  TunerInformationDisplay display_;
  QImage surface_;
  QTimer mediumTimer_, highTimer_;
  Button button_ = Button::Released;
  bool ready_ = false;
  bool pressed_ = false;
  bool updating_ = false, closeAfterUpdate_ = false, closing_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
};

}  // namespace cv7::app
