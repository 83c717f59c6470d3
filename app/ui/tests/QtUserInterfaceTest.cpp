// Message boxes through Qt: a box that the network worker asks for is shown on the window
// thread with the application's title, the style's icon and buttons, on top of other
// windows, and its answer reaches the worker; after the window thread's invoker is closed a
// worker's box is not shown and counts as cancelled.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <thread>

#include "QtUserInterface.h"
#include "StringId.h"
#include "WidgetTestApplication.h"

namespace cv7::app::test {
namespace {

QMessageBox* shownBox() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "messageBox" && widget->isVisible()) return qobject_cast<QMessageBox*>(widget);
  return nullptr;
}

TEST(QtUserInterfaceTest, AWorkersBoxIsShownOnTheWindowThreadAndItsAnswerReturnsToTheWorker) {
  widgetApplication();
  const StringTable strings;
  WindowThreadInvoker invoker;
  QtUserInterface ui(strings, invoker);

  struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onTop = false, withCancel = false;
  } seen;
  QTimer answerer;
  QObject::connect(&answerer, &QTimer::timeout, [&] {
    QMessageBox* box = shownBox();
    if (!box) return;
    seen = {box->windowTitle(), box->text(), box->icon(), box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
            box->button(QMessageBox::Cancel) != nullptr};
    box->button(QMessageBox::Cancel)->click();
  });
  answerer.start(10);

  std::atomic<int> answer{0};
  std::thread worker([&] {
    answer = int(ui.messageBox("198.51.100.7\n" + strings.text(StringId::NewIpAddress), StringId::AppTitle,
                               MessageStyle::question()));
  });
  EXPECT_TRUE(spinUntil([&] { return answer.load() != 0; }));
  worker.join();
  EXPECT_EQ(answer.load(), int(MessageButton::Cancel));
  EXPECT_EQ(seen.title, "Cv7d");
  EXPECT_TRUE(seen.text.startsWith("198.51.100.7\nThere is new IP Address."));
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_TRUE(seen.onTop);
  EXPECT_TRUE(seen.withCancel);

  invoker.close();
  seen = {};
  std::thread late([&] { answer = int(ui.messageBox(StringId::IpAddressDisabled, StringId::AppTitle, MessageStyle::question())); });
  late.join();
  EXPECT_EQ(answer.load(), int(MessageButton::Cancel));
  spinFor(std::chrono::milliseconds(50));
  EXPECT_TRUE(seen.title.isEmpty()) << "no box after the close";
}

}  // namespace
}  // namespace cv7::app::test
