// Centring a dialog on the screen under the mouse pointer: offscreen with one screen, and on the
// second screen of a two-screen X server in a child process of this binary that uses that display,
// when Xvfb is installed. Xvfb puts its Xinerama heads at the same origin, so the pointer goes
// where only the larger screen reaches and the parent window sits on the smaller one; without
// RandR, Qt takes the heads as its screens.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QtGui/QCursor>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QDialog>

#include <cstdlib>
#include <string>

#include "support/ScopedEnvironment.h"
#include "support/SpawnedProgram.h"
#include "ui/support/GQUISupport.h"

namespace {

constexpr char const* kChildVariable = "TROVEL_UI_TWO_SCREEN_CHILD";

QPoint ExpectedTopLeft(QRect const& screen, QRect const& frame) {
    return QPoint(screen.left() - frame.width() / 2 + screen.width() / 2,
                  screen.top() - frame.height() / 2 + screen.height() / 2);
}

}  // namespace

TEST(MoveToMiddleOfScreen, CentresTheFrameOnTheOnlyScreen) {
    QDialog dialog;
    dialog.resize(301, 151);
    dialog.move(3, 4);
    QRect const frame = dialog.frameGeometry();
    GQUISupport::MoveToMiddleOfScreen(dialog);
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(nullptr, screen);
    EXPECT_EQ(ExpectedTopLeft(screen->geometry(), frame), dialog.pos());
}

// Runs only inside the child that the next test starts on a two-screen display: the parent window
// is on one screen, the pointer on the other.
TEST(MoveToMiddleOfScreen, TwoScreenChild) {
    if (std::getenv(kChildVariable) == nullptr)
        GTEST_SKIP() << "runs only in the child of SecondScreenUnderThePointer";
    QList<QScreen*> const screens = QGuiApplication::screens();
    if (screens.size() < 2)
        GTEST_SKIP() << "the display shows " << screens.size() << " screen(s)";
    // Xvfb's heads share their origin: the pointer goes where only the larger screen reaches.
    QScreen* const pointerScreen = screens[0]->geometry().contains(screens[1]->geometry()) ? screens[0] : screens[1];
    QScreen* const parentScreen = pointerScreen == screens[0] ? screens[1] : screens[0];
    QRect const target = pointerScreen->geometry();
    QPoint const onlyTarget = target.bottomRight() - QPoint(20, 20);
    ASSERT_FALSE(parentScreen->geometry().contains(onlyTarget));
    QWidget parent;
    parent.winId();
    parent.windowHandle()->setScreen(parentScreen);
    parent.setGeometry(QRect(parentScreen->geometry().topLeft() + QPoint(20, 20), QSize(300, 200)));
    parent.show();
    QCursor::setPos(pointerScreen, onlyTarget);
    // The warp reaches the server with the next flush; wait for the pointer to be there.
    for (int i = 0; i < 200 && QGuiApplication::screenAt(QCursor::pos()) != pointerScreen; ++i) {
        QCoreApplication::processEvents();
        usleep(10000);
    }
    if (QGuiApplication::screenAt(QCursor::pos()) != pointerScreen)
        GTEST_SKIP() << "the pointer cannot be put on one screen alone (it stays at " << QCursor::pos().x() << ","
                     << QCursor::pos().y() << ")";
    ASSERT_EQ(parentScreen, parent.windowHandle()->screen());
    QDialog dialog(&parent);
    dialog.resize(200, 120);
    QRect const frame = dialog.frameGeometry();
    GQUISupport::MoveToMiddleOfScreen(dialog);
    EXPECT_EQ(ExpectedTopLeft(target, frame), dialog.pos());
    EXPECT_NE(ExpectedTopLeft(parentScreen->geometry(), frame), dialog.pos())
        << "centred on the pointer's screen, not the parent's";
}

TEST(MoveToMiddleOfScreen, SecondScreenUnderThePointer) {
    if (std::getenv(kChildVariable) != nullptr)
        GTEST_SKIP() << "the child runs the inner case only";
    if (access("/usr/bin/Xvfb", X_OK) != 0)
        GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb); the two-screen case is not run";
    SpawnedProgram server;
    ASSERT_TRUE(server.Start("/usr/bin/Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24",
                                               "-screen", "1", "640x480x24", "+xinerama", "-extension", "RANDR"}));
    std::string display;
    if (!server.ReadLine(display, 20000))
        GTEST_SKIP() << "Xvfb did not start here";
    ScopedEnvironment environment;
    environment.Set("DISPLAY", ":" + display);
    environment.Set("QT_QPA_PLATFORM", "xcb");
    environment.Set(kChildVariable, "1");
    SpawnedProgram child;
    ASSERT_TRUE(child.Start("/proc/self/exe", {"--gtest_filter=MoveToMiddleOfScreen.TwoScreenChild"}));
    std::string line;
    std::string log;
    bool passed = false;
    bool skipped = false;
    while (child.ReadLine(line, 60000)) {
        log += line + "\n";
        passed = passed || line.rfind("[  PASSED  ] 1 test", 0) == 0;
        skipped = skipped || line.find("[  SKIPPED ] MoveToMiddleOfScreen.TwoScreenChild") != std::string::npos;
    }
    EXPECT_EQ(0, child.Wait(60000)) << log;
    if (skipped)
        GTEST_SKIP() << "the two-screen case could not run on Xvfb:\n" << log;
    EXPECT_TRUE(passed) << log;
}
