#include "TunerInformationWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace cv7::app {

namespace {

constexpr QPoint kLevelDigits{97, 52}, kLevelBar{128, 51};
constexpr QPoint kErrorDigits{97, 72}, kErrorBar{128, 71};
constexpr QPoint kLamps{83, 113}, kDetail{241, 115}, kAntenna{286, 45};
constexpr int kLampPitch = 19;
constexpr QPoint kOpeningPosition{200, 200};

using Display = TunerInformationDisplay;

// The error rate m x 10^-(e+1) as the window writes it: "9E-4".
QString errorText(const Display& display) {
  if (display.mantissa() == 0) return QStringLiteral("0");
  return QStringLiteral("%1E-%2").arg(display.mantissa()).arg(display.exponent() + 1);
}

}  // namespace

TunerInformationWindow::TunerInformationWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), surface_(kWidth, kHeight, QImage::Format_RGB32) {
  setObjectName(QStringLiteral("id226"));
  setWindowTitle(QStringLiteral("Tuner Information"));
  setFixedSize(kWidth, kHeight);
  move(kOpeningPosition);
  setMouseTracking(true);
  mediumTimer_.setInterval(Display::kMediumPeriod);
  highTimer_.setInterval(Display::kHighPeriod);
  connect(&mediumTimer_, &QTimer::timeout, this, [this] { animate(Display::kMediumTimer); });
  connect(&highTimer_, &QTimer::timeout, this, [this] { animate(Display::kHighTimer); });
  ready_ = true;
  Update(Display::openingRecord());
}

TunerInformationWindow::~TunerInformationWindow() {
  ready_ = false;
  mediumTimer_.stop();
  highTimer_.stop();
}

void TunerInformationWindow::Update(const TunerInformation& record) {
  if (!ready_) return;
  updating_ = true;
  if (display_.update(record)) startAnimation();
  compose();
  update();
  updating_ = false;
  if (closeAfterUpdate_) closeWhenUpdated();
}

void TunerInformationWindow::startAnimation() {
  mediumTimer_.stop();
  highTimer_.stop();
  if (display_.animationTimer() == Display::kMediumTimer) mediumTimer_.start();
  if (display_.animationTimer() == Display::kHighTimer) highTimer_.start();
}

int TunerInformationWindow::animationInterval() const {
  if (mediumTimer_.isActive()) return mediumTimer_.interval();
  if (highTimer_.isActive()) return highTimer_.interval();
  return 0;
}

void TunerInformationWindow::animate(int timer) {
  display_.advance(timer);
  compose();
  update();
}

void TunerInformationWindow::compose() {
  QPainter painter(&surface_);
  TunerArtwork::drawBackground(painter, surface_.rect());
  TunerArtwork::drawDigits(painter, kLevelDigits, QStringLiteral("%1").arg(display_.level(), 3));
  for (int i = 0; i < Display::kSegments; ++i)
    TunerArtwork::drawSegment(painter, kLevelBar + QPoint(i * TunerArtwork::kSegmentPitch, 0), display_.levelSegment(i));
  if (display_.lampsShown()) {
    for (int i = 0; i < Display::kLamps; ++i)
      TunerArtwork::drawLamp(painter, kLamps + QPoint(i * kLampPitch, 0), display_.lampLit(i));
  } else {
    TunerArtwork::drawDigits(painter, kErrorDigits, errorText(display_));
    for (int i = 0; i < Display::kSegments; ++i)
      TunerArtwork::drawSegment(painter, kErrorBar + QPoint(i * TunerArtwork::kSegmentPitch, 0),
                                display_.errorSegment(i));
    TunerArtwork::drawDetail(painter, kDetail, display_.detailPicture());
  }
  TunerArtwork::drawAntenna(painter, kAntenna, display_.state(), display_.frame());
  TunerArtwork::drawButton(painter, kOkArea, button_);
}

void TunerInformationWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, surface_);
}

void TunerInformationWindow::setButton(Button button) {
  if (button_ == button) return;
  button_ = button;
  compose();
  update();
}

bool TunerInformationWindow::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (kOkArea.contains(help->pos())) {
      QToolTip::showText(help->globalPos(), QStringLiteral("OK"), this, kOkArea);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QDialog::event(event);
}

void TunerInformationWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (kOkArea.contains(event->position().toPoint())) {
    pressed_ = true;
    setButton(Button::Pressed);
    return;
  }
  // No caption: the whole window is the handle.
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - pos();
}

void TunerInformationWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) {
    move(event->globalPosition().toPoint() - dragOffset_);
    return;
  }
  const bool inside = kOkArea.contains(event->position().toPoint());
  if (!pressed_ && inside) setButton(Button::Released);
  if (pressed_) setButton(inside ? Button::Pressed : Button::Left);
}

void TunerInformationWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  if (kOkArea.contains(event->position().toPoint())) {
    setButton(Button::Released);
    if (pressed_) closeWhenUpdated();
  }
  pressed_ = false;
}

void TunerInformationWindow::closeWhenUpdated() {
  if (updating_) {
    closeAfterUpdate_ = true;
    return;
  }
  closeAfterUpdate_ = false;
  closing_ = true;
  accept();
}

// Enter, Space and Escape would close a dialog; this one closes only by its OK button.
void TunerInformationWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape: event->accept(); return;
    default: QWidget::keyPressEvent(event);
  }
}

// The window manager's close is refused like the keys; closing by the program goes on.
void TunerInformationWindow::closeEvent(QCloseEvent* event) {
  if (event->spontaneous() && !closing_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace cv7::app
