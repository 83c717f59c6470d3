// The one QApplication of the widget tests, on Qt's offscreen platform, with a pinned locale
// and a home directory of its own, so that no desktop setting of the machine takes part.
#pragma once
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <string>

#include "QtTestApplication.h"

namespace cv7::app::test {

inline QApplication& widgetApplication() {
  static int argc = 1;
  static char name[] = "cv7appui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    static const std::string home = "/tmp/cv7-appui-home-" + std::to_string(::getpid());
    QDir().mkpath(QString::fromStdString(home));
    std::atexit([] { QDir(QString::fromStdString(home)).removeRecursively(); });
    qputenv("HOME", home.c_str());
    qputenv("LC_ALL", "C");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* made = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return made;
  }();
  return *app;
}

}  // namespace cv7::app::test
