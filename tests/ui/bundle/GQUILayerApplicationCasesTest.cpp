// The Qt layer's five cases of the application object found at start. Each case runs in a child
// process of its own: a process has one application object in its life.
#include <gtest/gtest.h>

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QApplication>

#include <cstdlib>
#include <stdexcept>

#include "support/ForkedChild.h"
#include "support/FoundationStartup.h"
#include "plugin/tools/GCPTZARidizoToolsLayer.h"
#include "services/messages/GUserMessage.h"
#include "ui/layer/GBQCSharedObject.h"
#include "ui/layer/GCSPUPluginUILayer.h"
#include "ui/layer/GQUILayer.h"
#include "ui/messages/GCSPUUserMessage.h"
#include "ui/layer/GQUISlotGuard.h"
#include "ui/windows/GQUIWindow.h"

namespace {

int argc = 1;
char name[] = "cases";
char* argv[] = {name, nullptr};

int InChild(int (*body)()) {
    return ForkedChild::RunCheck([body] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        StartFoundation();
        return body();
    });
}

// 1 when the condition fails: the child's exit code names the first failed check.
#define CHECK(n, condition) \
    if (!(condition))       \
    return n

}  // namespace

TEST(GQUILayerApplication, NoneFoundMakesOneWithACountOfOne) {
    EXPECT_EQ(InChild([] {
                  GQUILayer::Initialize();
                  QPointer<QCoreApplication> made = QCoreApplication::instance();
                  CHECK(1, qobject_cast<QApplication*>(made) != nullptr);
                  CHECK(2, GBQCSharedObject::GetRefCount(made) == 1);
                  GQUILayer::Initialize();
                  CHECK(3, GBQCSharedObject::GetRefCount(made) == 1);
                  GQUILayer::Finalize();
                  GQUILayer::Finalize();
                  CHECK(4, made.isNull());
                  return 0;
              }),
              0);
}

TEST(GQUILayerApplication, SharedApplicationGainsAndLosesOneCount) {
    EXPECT_EQ(InChild([] {
                  QPointer<QApplication> shared = new QApplication(argc, argv);
                  GBQCSharedObject::Acquire(shared, 1);
                  GQUILayer::Initialize();
                  CHECK(1, GBQCSharedObject::GetRefCount(shared) == 2);
                  GQUILayer::Finalize();
                  CHECK(2, !shared.isNull() && GBQCSharedObject::GetRefCount(shared) == 1);
                  GBQCSharedObject::Release(shared, 1);
                  CHECK(3, shared.isNull());
                  return 0;
              }),
              0);
}

TEST(GQUILayerApplication, UnsharedApplicationIsUsedUnchanged) {
    EXPECT_EQ(InChild([] {
                  QPointer<QApplication> own = new QApplication(argc, argv);
                  GQUILayer::Initialize();
                  CHECK(1, QCoreApplication::instance() == own && !GBQCSharedObject::IsShared(own));
                  GQUILayer::Finalize();
                  CHECK(2, !own.isNull());
                  delete own;
                  return 0;
              }),
              0);
}

TEST(GQUILayerApplication, SharedNonWidgetApplicationIsReplacedKeepingItsCount) {
    EXPECT_EQ(InChild([] {
                  QPointer<QCoreApplication> old = new QGuiApplication(argc, argv);
                  GBQCSharedObject::Acquire(old, 2);
                  GQUILayer::Initialize();
                  QCoreApplication* made = QCoreApplication::instance();
                  CHECK(1, old.isNull());
                  CHECK(2, qobject_cast<QApplication*>(made) != nullptr);
                  CHECK(3, GBQCSharedObject::GetRefCount(made) == 3);
                  GQUILayer::Finalize();
                  CHECK(4, GBQCSharedObject::GetRefCount(QCoreApplication::instance()) == 2);
                  delete QCoreApplication::instance();
                  return 0;
              }),
              0);
}

TEST(GQUILayerApplication, UnsharedNonWidgetApplicationIsLeftAlone) {
    EXPECT_EQ(InChild([] {
                  QPointer<QCoreApplication> core = new QCoreApplication(argc, argv);
                  GQUILayer::Initialize();
                  CHECK(1, QCoreApplication::instance() == core);
                  GQUILayer::Finalize();
                  CHECK(2, !core.isNull());
                  delete core;
                  return 0;
              }),
              0);
}

TEST(GCSPUPluginUILayer, InstallsThePluginMessagesAndUndoesEverything) {
    EXPECT_EQ(InChild([] {
                  GCSPUPluginUILayer::Initialize();
                  GCSPUPluginUILayer::Initialize();
                  CHECK(1, dynamic_cast<GCSPUUserMessage const*>(GUserMessage::GetInstance()) != nullptr);
                  CHECK(2, GCPTZARidizoToolsLayer::GetInitCount() == 1 && GQUILayer::GetInitCount() == 1);
                  GCSPUPluginUILayer::Finalize();
                  CHECK(3, GQUILayer::GetInitCount() == 1);
                  GCSPUPluginUILayer::Finalize();
                  GCSPUPluginUILayer::Finalize();
                  CHECK(4, GUserMessage::HasDefaultInstance());
                  CHECK(5, GCPTZARidizoToolsLayer::GetInitCount() == 0 && GQUILayer::GetInitCount() == 0);
                  CHECK(6, QCoreApplication::instance() == nullptr);
                  return 0;
              }),
              0);
}

namespace {
int sDepth = 0;
void Enter(void*) { ++sDepth; }
void Leave(void*) { --sDepth; }
int sShown = 0;
class CountingMessage : public GUserMessage {
public:
    void ShowErrorMessage(GString const&, GString const&) const override { ++sShown; }
};
}  // namespace

TEST(GQUIWindowLoop, AnExceptionInASlotIsShownAndTheLoopEndsBalanced) {
    EXPECT_EQ(InChild([] {
                  QApplication application(argc, argv);
                  GUserMessage::SetInstance(new CountingMessage);
                  GQUILayer::SetStartModalLoopHandler(Enter);
                  GQUILayer::SetStopModalLoopHandler(Leave);
                  GQUIWindow window("Title", true, nullptr);
                  QTimer::singleShot(0, [&window] {
                      GQUISlotGuard::Run([] { throw std::runtime_error("from a slot"); });
                      window.reject();
                  });
                  window.exec();
                  CHECK(1, sShown == 1);
                  CHECK(2, sDepth == 0 && GQUILayer::GetOpenModalLoopCount() == 0);
                  GUserMessage::SetInstance(nullptr);
                  return 0;
              }),
              0);
}

TEST(GQUILayerApplication, OwnApplicationStopsExceptionsOfEventHandlers) {
    EXPECT_EQ(InChild([] {
                  GQUILayer::Initialize();
                  GUserMessage::SetInstance(new CountingMessage);
                  QTimer::singleShot(0, [] { throw std::runtime_error("from an event handler"); });
                  QCoreApplication::processEvents();
                  CHECK(1, sShown == 1);
                  GUserMessage::SetInstance(nullptr);
                  GQUILayer::Finalize();
                  return 0;
              }),
              0);
}
