// What the widget tests do to a window: find a control by its control id (objectName
// "id<number>") and press a key on a widget.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace cv7::app::test {

template <typename T>
T* control(QWidget& window, int id) {
  T* found = window.findChild<T*>(QStringLiteral("id%1").arg(id));
  EXPECT_NE(found, nullptr) << id;
  return found;
}

inline void press(QWidget* target, int key) {
  QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &down);
}

}  // namespace cv7::app::test
