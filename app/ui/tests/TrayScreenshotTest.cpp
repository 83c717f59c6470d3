// The tray program on a virtual X display with a real notification area (Xvfb and Debian's
// trayer): its icon shows locked and, when the signal goes, not locked; it comes back when
// the tray host is restarted; its menu ends the program, which leaves the data reception in
// the store. The setup sheet on its satellite page and its two dialogs are drawn on such a
// display too. The screenshots stay in the build folder's artifacts/ for a person to look at.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <map>

#include "DaemonHarness.h"
#include "Registry.h"
#include "TestProcess.h"

namespace cv7::app::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Pixels of the two pictures' own colours: the green waves of "locked", the red sign of
// "not locked".
struct Colours {
  int green = 0, red = 0;
  int greenX = 0, greenY = 0, redX = 0, redY = 0;  // where they are, on average
};

Colours coloursOf(const QString& path) {
  QImage image(path);
  Colours c;
  long gx = 0, gy = 0, rx = 0, ry = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor p = image.pixelColor(x, y);
      if (p.green() > 170 && p.red() < 120 && p.blue() < 170) {
        ++c.green, gx += x, gy += y;
      } else if (p.red() > 170 && p.green() < 100 && p.blue() < 100) {
        ++c.red, rx += x, ry += y;
      }
    }
  }
  if (c.green) c.greenX = int(gx / c.green), c.greenY = int(gy / c.green);
  if (c.red) c.redX = int(rx / c.red), c.redY = int(ry / c.red);
  return c;
}

// Pixels that differ from the window's most common colour: a window that shows its controls
// has many, a blank or black one none.
int drawnPixels(const QString& path) {
  const QImage image(path);
  if (image.isNull()) return 0;
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  int most = 0;
  for (const auto& [colour, count] : counts) most = std::max(most, count);
  return image.width() * image.height() - most;
}

class TrayScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_THREAD__)
  // On a real X server Qt's platform plugin runs the X client libraries (libxcb, libX11,
  // libXrender) on a thread of their own; they are not built with the thread sanitizer and
  // take their locks where it cannot see them, so it reports lock misuse inside them. The
  // tray's and the sheet's behaviour runs under it offscreen (CSystemTrayTest, TrayExitTest,
  // the setup widget tests); the pictures are checked in the normal and ASan builds.
  GTEST_SKIP() << "the X client libraries are not instrumented for the thread sanitizer";
#endif
    root = fs::path(daemon.dir()) / "desktop";
    fs::create_directories(root / "base");
    fs::create_directories(root / "runtime");
    fs::permissions(root / "runtime", fs::perms::owner_all);
    fs::copy(CV7_DEFAULT_FILE_DIR, root / "base" / "DefaultFile");
    fs::create_directories(artifacts);
    ASSERT_TRUE(daemon.start()) << daemon.log();
    environment = {{"CV7_DEVICE", daemon.socketPath()},
                   {"CV7_REGISTRY", (root / "registry.sqlite").string()},
                   {"XDG_RUNTIME_DIR", (root / "runtime").string()},
                   {"HOME", root.string()},
                   {"LC_ALL", "C"},
                   // The X display, also after a widget test of the same process chose offscreen.
                   {"QT_QPA_PLATFORM", "xcb"},
                   // Never a session bus of the machine: the TV coordination stays off.
                   {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (root / "no-bus").string()}};
  }
  std::unique_ptr<TestProcess> run(const std::string& program, const std::vector<std::string>& args,
                                   const std::string& name, int extraFd = -1) {
    return std::make_unique<TestProcess>(program, args, environment, (root / "base").string(),
                                         (root / (name + ".log")).string(), extraFd);
  }
  // An X server on a free display; its number comes back through descriptor 3.
  bool startDisplay(const std::string& screen = "320x240x24") {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    xserver = run("/usr/bin/Xvfb", {"-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp"}, "xvfb", fds[1]);
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) return false;
    environment["DISPLAY"] = ":" + number;
    return true;
  }
  void startTrayHost(const std::string& name) {
    trayHost = run("/usr/bin/trayer", {"--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "96",
                                       "--heighttype", "pixel", "--height", "32", "--transparent", "false", "--tint",
                                       "0x303030", "--SetDockType", "false"}, name);
  }
  // The screen as a PNG in the artifacts folder, once the X server answers.
  QString screenshot(const std::string& name) {
    const std::string path = artifacts + "/" + name + ".png";
    auto shot = run("/usr/bin/import", {"-window", "root", path}, "import-" + name);
    EXPECT_EQ(shot->waitForExit(), 0) << shot->output();
    return QString::fromStdString(path);
  }
  // Waits until a screenshot shows the picture (green or red), taking a few to let it paint.
  Colours waitForPicture(const std::string& name, bool locked) {
    Colours seen;
    TestProcess::waitUntil([&] {
      seen = coloursOf(screenshot(name));
      return locked ? seen.green > 8 && seen.red == 0 : seen.red > 8 && seen.green == 0;
    }, milliseconds(15000));
    return seen;
  }
  // A headless first run writes the defaults and files, so that no box covers the screen.
  bool firstRun() {
    auto first = run(CV7D_BINARY, {"--headless"}, "first-run");
    const bool locked = first->waitForOutput("Cv7d: locked");
    EXPECT_TRUE(locked) << first->output();
    first->signal(SIGTERM);
    return locked && first->waitForExit() == std::optional<int>(0);
  }
  bool xdotool(const std::vector<std::string>& args) {
    return run("/usr/bin/xdotool", args, "xdotool")->waitForExit() == std::optional<int>(0);
  }

  itest::Daemon daemon;
  fs::path root;
  std::string artifacts = CV7_ARTIFACT_DIR;
  std::map<std::string, std::string> environment;
  std::unique_ptr<TestProcess> xserver, trayHost;
};

TEST_F(TrayScreenshotTest, TheIconShowsLockAndNoLockSurvivesATrayRestartAndItsMenuEndsTheProgram) {
  ASSERT_TRUE(startDisplay()) << "Xvfb (package xvfb) did not start";
  startTrayHost("trayer");
  ASSERT_TRUE(firstRun());

  auto app = run(CV7D_BINARY, {}, "cv7d");
  ASSERT_TRUE(app->waitForOutput("Cv7d: locked")) << app->output();
  const Colours locked = waitForPicture("tray-locked", true);
  EXPECT_GT(locked.green, 8) << "artifacts/tray-locked.png";

  ASSERT_EQ(daemon.admin("fault signal-lost on"), "ok");
  ASSERT_TRUE(app->waitForOutput("Cv7d: not locked")) << app->output();
  const Colours notLocked = waitForPicture("tray-not-locked", false);
  EXPECT_GT(notLocked.red, 8) << "artifacts/tray-not-locked.png";

  // The tray host goes and comes back: the icon is added again.
  trayHost->signal(SIGTERM);
  ASSERT_TRUE(trayHost->waitForExit().has_value());
  EXPECT_EQ(coloursOf(screenshot("tray-gone")).red, 0);
  startTrayHost("trayer-again");
  EXPECT_TRUE(app->waitForOutput("Cv7d: the notification area is back; icon added again")) << app->output();
  ASSERT_EQ(daemon.admin("fault signal-lost off"), "ok");
  const Colours again = waitForPicture("tray-restarted-locked", true);
  EXPECT_GT(again.green, 8) << "artifacts/tray-restarted-locked.png";

  // A right click on the icon shows menu 130; "Exit", its last item, ends the program.
  const size_t before = app->output().size();
  ASSERT_TRUE(xdotool({"mousemove", std::to_string(again.greenX - 4), std::to_string(again.greenY + 4), "click", "3"}));
  TestProcess::waitUntil([] { return false; }, milliseconds(500));
  screenshot("tray-menu");
  ASSERT_TRUE(xdotool({"key", "Up", "Return"}));
  EXPECT_EQ(app->waitForExit(), 0) << app->output().substr(before);
  registry::Registry store((root / "registry.sqlite").string());
  EXPECT_EQ(store.readText("Satellite", "Data Frequency", ""), "10719000");
  EXPECT_EQ(store.readText("Satellite", "Data SateName", ""), "HOTBIRD");
}

TEST_F(TrayScreenshotTest, ADoubleClickOpensTheSetupSheetAndTheProgramStillEndsOnSigterm) {
  ASSERT_TRUE(startDisplay("640x480x24")) << "Xvfb (package xvfb) did not start";
  startTrayHost("trayer");
  ASSERT_TRUE(firstRun());

  auto app = run(CV7D_BINARY, {}, "cv7d");
  const Colours locked = waitForPicture("tray-before-setup", true);
  ASSERT_GT(locked.green, 8);
  ASSERT_TRUE(xdotool({"mousemove", std::to_string(locked.greenX - 4), std::to_string(locked.greenY + 4), "click",
                       "--repeat", "2", "--delay", "100", "1"}));
  EXPECT_TRUE(TestProcess::waitUntil([&] { return xdotool({"search", "--name", "^Corvane-7 Data - "}); },
                                     milliseconds(10000)))
      << "the sheet did not open";
  EXPECT_GT(drawnPixels(screenshot("setup-sheet-open")), 500);
  app->signal(SIGTERM);
  EXPECT_EQ(app->waitForExit(), 0) << app->output();
}

TEST_F(TrayScreenshotTest, TheSetupSheetAndItsDialogsAreDrawnOnTheDisplay) {
  ASSERT_TRUE(startDisplay("800x600x24")) << "Xvfb (package xvfb) did not start";
  fs::create_directories(root / "base" / "Datafile");
  for (const char* file : {"HotBird.cvd", "Astra.cvd", "AsiaSat2.cvd", "KoreaSat.cvd"})
    fs::copy_file(root / "base" / "DefaultFile" / file, root / "base" / "Datafile" / file);
  auto screens = run(CV7_SETUP_SCREENS, {(root / "base").string(), (root / "registry.sqlite").string(), artifacts},
                     "setup-screens");
  ASSERT_EQ(screens->waitForExit(), 0) << screens->output();
  for (const char* name : {"setup-satellite-page", "setup-satellite-dialog", "setup-transponder-dialog",
                           "setup-tuner-not-locked", "setup-tuner-locked-medium", "setup-tuner-locked-high",
                           "setup-scan-dialog", "setup-auto-scan-dialog"})
    EXPECT_GT(drawnPixels(QString::fromStdString(artifacts + "/" + name + ".png")), 500) << "artifacts/" << name;
  EXPECT_GT(drawnPixels(QString::fromStdString(artifacts + "/setup-net-card-page.png")), 500);
  EXPECT_GT(drawnPixels(QString::fromStdString(artifacts + "/setup-data-pid-page.png")), 500);
}

}  // namespace
}  // namespace cv7::app::test
