// Hover help in a real window: the pointer is moved with QtTest and idle time comes from a timer,
// as a host's idle loop would send it.
#include <gtest/gtest.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTextEdit>
#include <QtWidgets/QWidget>

#include <memory>
#include <vector>

#include "core/signals/GBasicSignals.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GSignal.h"
#include "ui/help/GQUIHelpHandler.h"

namespace {

constexpr int kWait = 5000;

void SendIdle() { GBasicSignals::DevoteTimeToIdlers(); }

int IdleReceivers() {
    GSignal<GEmptyMessage>* signal = GSignal<GEmptyMessage>::FindSignal(GBasicSignals::kIdleTime);
    return signal != nullptr ? signal->GetReceiverCount() : 0;
}

// A window that is its own help pane: a help text edit along the bottom and a free area above
// it, where the tests put their widgets.
class Help : public ::testing::Test {
protected:
    void SetUp() override {
        GQUIHelpHandler::Initialize();
        mWindow = std::make_unique<QWidget>();
        mWindow->setGeometry(40, 40, 400, 300);
        mEdit = new QTextEdit(mWindow.get());
        mEdit->setGeometry(0, 250, 400, 50);
        mEdit->setPlainText("initial");
        GQUIHelpHandler::RegisterHelpComponent(mWindow.get(), mEdit);
        mWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow.get()));
        MoveTo(mWindow.get(), QPoint(390, 5));
    }
    void TearDown() override {
        StopIdleTimer();
        GQUIHelpHandler::UnregisterHelpComponent(mWindow.get());
        mWindow.reset();
        GQUIHelpHandler::Finalize();
    }

    QWidget* AddWidget(QWidget* parent, QRect const& geometry, char const* help) {
        auto* widget = new QWidget(parent);
        widget->setGeometry(geometry);
        widget->show();
        if (help != nullptr)
            GQUIHelpHandler::RegisterHelp(widget, GString(help));
        return widget;
    }
    static void MoveTo(QWidget* widget, QPoint const& position) { QTest::mouseMove(widget, position); }
    void StartIdleTimer() {
        mIdle = std::make_unique<QTimer>();
        QObject::connect(mIdle.get(), &QTimer::timeout, &SendIdle);
        mIdle->start(10);
    }
    void StopIdleTimer() { mIdle.reset(); }
    QString Shown() const { return mEdit->toPlainText(); }
    // Waits for the text and checks that it did not come before the delay.
    void ExpectShownAfterTheDelay(QString const& text) {
        QElapsedTimer since;
        since.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == text; }, kWait)) << Shown().toStdString();
        EXPECT_GE(since.elapsed(), GQUIHelpHandler::kDefaultDelay - 20);
    }

    std::unique_ptr<QWidget> mWindow;
    QTextEdit* mEdit = nullptr;
    std::unique_ptr<QTimer> mIdle;
};

}  // namespace

TEST_F(Help, PointerIntoAThenIntoBInsideThenBackShowsEachTextAfterTheDelay) {
    QWidget* a = AddWidget(mWindow.get(), QRect(10, 10, 200, 200), "Help of A");
    QWidget* b = AddWidget(a, QRect(50, 50, 50, 50), "Help of B");
    StartIdleTimer();
    MoveTo(a, QPoint(5, 5));
    ExpectShownAfterTheDelay("Help of A");
    MoveTo(b, QPoint(10, 10));
    ExpectShownAfterTheDelay("Help of B");
    MoveTo(a, QPoint(5, 5));
    ExpectShownAfterTheDelay("Help of A");
    // Leaving the last widget leaves its text in the pane.
    MoveTo(mWindow.get(), QPoint(390, 5));
    QTest::qWait(GQUIHelpHandler::kDefaultDelay + 200);
    EXPECT_EQ(Shown(), QString("Help of A"));
    EXPECT_EQ(GQUIHelpHandler::GetHelpfullPane(b), mWindow.get());
}

// The listener meets the registered widgets in no particular order: entering several nested ones
// in one step must still end with the innermost.
TEST_F(Help, JumpingOntoNestedWidgetsShowsTheInnermost) {
    QWidget* parent = mWindow.get();
    std::vector<std::string> texts;
    for (int depth = 0; depth < 8; ++depth) {
        texts.push_back("Level " + std::to_string(depth));
        parent = AddWidget(parent, QRect(2, 2, 200 - 4 * depth, 200 - 4 * depth), texts.back().c_str());
    }
    StartIdleTimer();
    MoveTo(parent, QPoint(1, 1));
    ExpectShownAfterTheDelay(QString::fromStdString(texts.back()));
}

TEST_F(Help, HelpTextsAreShownAsPlainText) {
    char const* const markup = "<b>Bleed</b> &amp; <img src=\"x\"> slug";
    QWidget* a = AddWidget(mWindow.get(), QRect(10, 10, 100, 100), markup);
    StartIdleTimer();
    MoveTo(a, QPoint(5, 5));
    ExpectShownAfterTheDelay(markup);
    EXPECT_FALSE(mEdit->toHtml().contains("<b>Bleed</b>"));
    GQUIHelpHandler::SetImmediateHelp(a, GString("<i>now</i>"));
    EXPECT_EQ(Shown(), QString("<i>now</i>"));
}

// A widget deleted while its help waits: nothing of it may be touched again, and its text is not
// shown; the pane goes back to the text of the widget around it.
TEST_F(Help, AWidgetDeletedBeforeTheDelayFiresIsForgotten) {
    QWidget* outer = AddWidget(mWindow.get(), QRect(10, 10, 200, 200), "Outer");
    QPointer<QWidget> inner = AddWidget(outer, QRect(20, 20, 50, 50), "Inner");
    StartIdleTimer();
    MoveTo(outer, QPoint(5, 5));
    ExpectShownAfterTheDelay("Outer");
    StopIdleTimer();

    MoveTo(inner, QPoint(5, 5));
    SendIdle();
    delete inner.data();
    StartIdleTimer();
    QTest::qWait(GQUIHelpHandler::kDefaultDelay + 300);
    EXPECT_EQ(Shown(), QString("Outer"));

    // Still alive: later widgets behave.
    QWidget* next = AddWidget(outer, QRect(100, 100, 50, 50), "Next");
    MoveTo(next, QPoint(5, 5));
    ExpectShownAfterTheDelay("Next");
}

TEST_F(Help, ADeletedTextEditOrPaneIsNeverTouched) {
    QWidget* a = AddWidget(mWindow.get(), QRect(10, 10, 100, 100), "A");
    StartIdleTimer();
    MoveTo(a, QPoint(5, 5));
    SendIdle();
    delete mEdit;
    mEdit = nullptr;
    QTest::qWait(GQUIHelpHandler::kDefaultDelay + 200);

    // A pane deleted while registered takes its handler along (LeakSanitizer sees the rest).
    auto pane = std::make_unique<QWidget>(mWindow.get());
    auto* edit = new QTextEdit(pane.get());
    GQUIHelpHandler::RegisterHelpComponent(pane.get(), edit);
    QWidget const* child = AddWidget(pane.get(), QRect(0, 0, 10, 10), nullptr);
    EXPECT_EQ(GQUIHelpHandler::GetHelpfullPane(child), pane.get());
    pane.reset();
    EXPECT_EQ(GQUIHelpHandler::GetHelpfullPane(mWindow.get()), mWindow.get());
    StopIdleTimer();
}

TEST_F(Help, RegisteringAPaneAgainReplacesAndDeletesItsHandler) {
    auto* second = new QTextEdit(mWindow.get());
    second->setGeometry(0, 200, 400, 40);
    GQUIHelpHandler::RegisterHelpComponent(mWindow.get(), second);
    GQUIHelpHandler::SetImmediateHelp(mWindow.get(), GString("to the second"));
    EXPECT_EQ(second->toPlainText(), QString("to the second"));
    EXPECT_EQ(Shown(), QString("initial"));
    GQUIHelpHandler::UnregisterHelpComponent(mWindow.get());
    EXPECT_EQ(GQUIHelpHandler::GetHelpfullPane(mWindow.get()), nullptr);
    GQUIHelpHandler::SetImmediateHelp(mWindow.get(), GString("nowhere"));
    EXPECT_EQ(second->toPlainText(), QString("to the second"));
}

TEST_F(Help, AModalWindowShowsAtOnceAndLeavesNothingWaiting) {
    int const receivers = IdleReceivers();
    QWidget dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    auto* edit = new QTextEdit(&dialog);
    auto* field = new QWidget(&dialog);
    GQUIHelpHandler::RegisterHelpComponent(&dialog, edit);
    GQUIHelpHandler::SetDelayedHelp(field, GString("at once"));
    EXPECT_EQ(edit->toPlainText(), QString("at once"));
    EXPECT_EQ(IdleReceivers(), receivers);
    GQUIHelpHandler::UnregisterHelpComponent(&dialog);
}

TEST_F(Help, WidgetsThatNeverShowHelp) {
    // Outside any pane, hidden, or registered while hover help is off.
    QWidget orphan;
    orphan.setGeometry(40, 40, 100, 100);
    orphan.show();
    GQUIHelpHandler::RegisterHelp(&orphan, GString("orphan"));
    QWidget* hidden = AddWidget(mWindow.get(), QRect(10, 10, 100, 100), "hidden");
    hidden->hide();
    GQUIHelpHandler::Finalize();
    QWidget* late = AddWidget(mWindow.get(), QRect(150, 10, 100, 100), "late");
    GQUIHelpHandler::Initialize();
    StartIdleTimer();
    for (QWidget* widget : {static_cast<QWidget*>(&orphan), hidden, late}) {
        MoveTo(widget, QPoint(5, 5));
        QTest::qWait(GQUIHelpHandler::kDefaultDelay + 100);
        EXPECT_EQ(Shown(), QString("initial"));
    }
}

TEST_F(Help, AWidgetKeepsItsFirstText) {
    QWidget* a = AddWidget(mWindow.get(), QRect(10, 10, 100, 100), "first");
    GQUIHelpHandler::RegisterHelp(a, GString("second"));
    StartIdleTimer();
    MoveTo(a, QPoint(5, 5));
    ExpectShownAfterTheDelay("first");
    GQUIHelpHandler::UnregisterHelp(a);
    GQUIHelpHandler::RegisterHelp(a, GString("third"));
    MoveTo(mWindow.get(), QPoint(390, 5));
    QTest::qWait(50);
    MoveTo(a, QPoint(5, 5));
    ExpectShownAfterTheDelay("third");
}

// Hover help is off after Finalize: help that was waiting is not shown, and no idle receiver of
// it is left for a framework that may stop next.
TEST_F(Help, FinalizeStopsWaitingHelpAndASecondStartWorks) {
    int const before = IdleReceivers();
    QWidget* a = AddWidget(mWindow.get(), QRect(10, 10, 100, 100), "A");
    MoveTo(a, QPoint(5, 5));
    SendIdle();
    EXPECT_GT(IdleReceivers(), before);
    GQUIHelpHandler::Finalize();
    EXPECT_EQ(IdleReceivers(), before - 1);
    StartIdleTimer();
    QTest::qWait(GQUIHelpHandler::kDefaultDelay + 200);
    EXPECT_EQ(Shown(), QString("initial"));

    GQUIHelpHandler::Initialize();
    QWidget* b = AddWidget(mWindow.get(), QRect(150, 10, 100, 100), "B");
    MoveTo(b, QPoint(5, 5));
    ExpectShownAfterTheDelay("B");
}

TEST(HelpWithoutIdle, NoIdleSignalNoDelayedText) {
    GQUIHelpHandler::Initialize();
    QWidget window;
    auto* edit = new QTextEdit(&window);
    auto* a = new QWidget(&window);
    GQUIHelpHandler::RegisterHelpComponent(&window, edit);
    GQUIHelpHandler::SetDelayedHelp(a, GString("A"));
    QTest::qWait(GQUIHelpHandler::kDefaultDelay + 100);
    EXPECT_TRUE(edit->toPlainText().isEmpty());
    GQUIHelpHandler::StopDelayedHelp(a);
    GQUIHelpHandler::UnregisterHelpComponent(&window);
    GQUIHelpHandler::Finalize();
}
