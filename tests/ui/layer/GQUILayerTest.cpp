// The Qt layer's shared count, hooks, wrapper, style sheets and texts.
#include <gtest/gtest.h>

#include <QtCore/QPointer>
#include <QtWidgets/QApplication>

#include <vector>

#include "core/text/GStringPool.h"
#include "ui/layer/GBQCSharedObject.h"
#include "ui/layer/GQUILayer.h"
#include "ui/layer/GQUILayerStrings.h"
#include "ui/layer/GQUIWidgetWrapper.h"

namespace {

std::vector<std::pair<char, void*>> sCalls;
void Start(void* id) { sCalls.push_back({'+', id}); }
void Stop(void* id) { sCalls.push_back({'-', id}); }
void* NoWindow() { return nullptr; }

}  // namespace

TEST(GBQCSharedObject, CountsAndDeletesAtTheLastRelease) {
    QPointer<QObject> object = new QObject;
    EXPECT_FALSE(GBQCSharedObject::IsShared(object));
    GBQCSharedObject::Acquire(object, 3);
    EXPECT_TRUE(GBQCSharedObject::IsShared(object));
    GBQCSharedObject::Release(object, 1);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(object), 2u);
    GBQCSharedObject::Release(object, 2);
    EXPECT_TRUE(object.isNull());
    QPointer<QObject> other = new QObject;
    other->setProperty(GBQCSharedObject::kPropertyName, "not a number");
    EXPECT_FALSE(GBQCSharedObject::IsShared(other));
    GBQCSharedObject::Release(other, 1);
    EXPECT_TRUE(other.isNull());
    EXPECT_FALSE(GBQCSharedObject::IsShared(nullptr));
}

TEST(GQUILayer, NestedModalLoopsAreStoppedInReverse) {
    sCalls.clear();
    GQUILayer::SetStartModalLoopHandler(Start);
    GQUILayer::SetStopModalLoopHandler(Stop);
    int a = 0, b = 0, c = 0;
    GQUILayer::HandleStartModalLoop(&a);
    GQUILayer::HandleStartModalLoop(&b);
    GQUILayer::HandleStartModalLoop(&c);
    // The outer loop ends first: the inner ones are stopped before it, newest first.
    GQUILayer::HandleStopModalLoop(&a);
    GQUILayer::HandleStopModalLoop(&b);
    GQUILayer::HandleStopModalLoop(&c);
    std::vector<std::pair<char, void*>> const expected = {{'+', &a}, {'+', &b}, {'+', &c},
                                                          {'-', &c}, {'-', &b}, {'-', &a}};
    EXPECT_EQ(sCalls, expected);
    EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
    GQUILayer::SetStartModalLoopHandler(nullptr);
    GQUILayer::SetStopModalLoopHandler(nullptr);
}

TEST(GQUILayer, WrapperIsTheParentWithoutAnActiveWindowAndNeverDeletesItself) {
    EXPECT_EQ(GQUILayer::GetWidgetWrapper(), nullptr);
    GQUILayer::SetMainWindowHandler(NoWindow);
    QPointer<QWidget> wrapper = GQUILayer::GetWidgetWrapper();
    ASSERT_FALSE(wrapper.isNull());
    auto* child = new QWidget(wrapper, Qt::Window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->show();
    child->close();
    wrapper->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_FALSE(wrapper.isNull());
    EXPECT_EQ(GQUILayer::GetWidgetWrapper(), wrapper.data());
    GQUILayer::SetMainWindowHandler(nullptr);
    EXPECT_TRUE(wrapper.isNull());
}

TEST(GQUILayer, StyleSheetsByOSCode) {
    EXPECT_EQ(GQUILayer::GetStyleSheet(6015).size(), 276);
    EXPECT_EQ(GQUILayer::GetStyleSheet(6016).size(), 300);
    EXPECT_TRUE(GQUILayer::GetStyleSheet(6016).contains("indicator { bottom:1px; width: 15px"));
}

TEST(GQUILayer, TextsAreRegistered) {
    GQUILayerStrings::Register();
    EXPECT_EQ(GStringPool::GetString(11), GString("OK"));
    EXPECT_EQ(GStringPool::GetString(12), GString("Cancel"));
    EXPECT_EQ(GStringPool::GetString(1100), GString("Don't show this message again"));
    EXPECT_EQ(GStringPool::GetString(2421), GString("Select \"%1\""));
}
