// The collapsible frame: which widgets show in each state and with each flag, the title, the
// signal of a click, replaced panes, and the triangle of its button.
#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>

#include "ui/frames/GQUICollapsibleFrame.h"
#include "ui/frames/GQUIExpandCollapseButton.h"

namespace {

using Frame = GQUICollapsibleFrame;

bool Shown(QWidget const* widget) { return !widget->isHidden(); }

struct Panes {
    explicit Panes(Frame& frame) : pane(new QWidget), header(new QWidget) {
        frame.SetMainPane(pane);
        frame.SetHeaderWidget(header);
    }
    QWidget* pane;
    QWidget* header;
};

}  // namespace

TEST(CollapsibleFrame, AFrameMadeCollapsedHidesThePaneSetLater) {
    Frame frame(nullptr, "Options", "Show options", false, 3);
    EXPECT_EQ(QString("Show options"), frame.GetTitleLabel()->text());
    QWidget* pane = new QWidget;
    frame.SetMainPane(pane);
    EXPECT_FALSE(Shown(pane));
    EXPECT_EQ(&frame, pane->parentWidget());
    EXPECT_FALSE(frame.IsExpanded());
    frame.SetExpandState(true);
    EXPECT_TRUE(Shown(pane));
    EXPECT_EQ(QString("Options"), frame.GetTitleLabel()->text());
    auto* grid = static_cast<QGridLayout*>(frame.layout());
    EXPECT_EQ(5, grid->contentsMargins().left());
    EXPECT_EQ(1, grid->rowStretch(1));
    EXPECT_EQ(1, grid->columnStretch(2));
}

TEST(CollapsibleFrame, TheFlagsDecideWhatShowsInEachState) {
    struct Case {
        int flags;
        bool headerExpanded, headerCollapsed, paneExpanded, paneCollapsed;
    };
    for (Case c : {Case{0, true, false, true, false}, Case{Frame::ShowHeaderAlways, true, true, true, false},
                   Case{Frame::HideHeader, false, false, true, false},
                   Case{Frame::HideHeader | Frame::ShowHeaderAlways, true, true, true, false},
                   Case{Frame::HideMainPane, true, false, false, false},
                   Case{Frame::HideMainPane | Frame::ShowHeaderAlways, true, true, false, false}}) {
        Frame frame(nullptr, "Open", "Closed", true, 0);
        Panes panes(frame);
        frame.SetVisibilityFlags(Frame::FrameWidgetsVisibility(c.flags));
        EXPECT_EQ(c.headerExpanded, Shown(panes.header)) << c.flags;
        EXPECT_EQ(c.paneExpanded, Shown(panes.pane)) << c.flags;
        frame.SetExpandState(false);
        EXPECT_EQ(c.headerCollapsed, Shown(panes.header)) << c.flags;
        EXPECT_EQ(c.paneCollapsed, Shown(panes.pane)) << c.flags;
    }
}

TEST(CollapsibleFrame, OnlyAClickSignalsWithThePaneID) {
    Frame frame(nullptr, "Open", "Closed", true, 42);
    Panes panes(frame);
    QSignalSpy spy(&frame, &Frame::StateChanged);
    frame.SetExpandState(false);
    frame.SetExpandState(true);
    frame.SetVisibilityFlags(Frame::ShowHeaderAlways);
    EXPECT_EQ(0, spy.count());
    QTest::mouseClick(frame.GetButton(), Qt::LeftButton);
    ASSERT_EQ(1, spy.count());
    EXPECT_EQ(42, spy.at(0).at(0).toInt());
    EXPECT_FALSE(spy.at(0).at(1).toBool());
    EXPECT_FALSE(frame.IsExpanded());
    EXPECT_FALSE(Shown(panes.pane));
    EXPECT_EQ(QString("Closed"), frame.GetTitleLabel()->text());
    QTest::mouseClick(frame.GetButton(), Qt::LeftButton);
    ASSERT_EQ(2, spy.count());
    EXPECT_TRUE(spy.at(1).at(1).toBool());
}

TEST(CollapsibleFrame, AReplacedPaneStaysAChildOutsideTheLayout) {
    Frame frame(nullptr, "Open", "Closed", true, 0);
    Panes panes(frame);
    QWidget* second = new QWidget;
    QWidget* header = new QWidget;
    frame.SetMainPane(second);
    frame.SetHeaderWidget(header);
    frame.SetMainPane(nullptr);
    EXPECT_EQ(&frame, panes.pane->parentWidget());
    EXPECT_EQ(-1, frame.layout()->indexOf(panes.pane));
    EXPECT_EQ(-1, frame.layout()->indexOf(panes.header));
    EXPECT_NE(-1, frame.layout()->indexOf(second));
    frame.SetExpandState(false);
    EXPECT_TRUE(Shown(panes.pane)) << "the old pane's visibility is no longer the frame's";
    EXPECT_FALSE(Shown(second));
    EXPECT_FALSE(Shown(header));
}

TEST(ExpandCollapseButton, TheTriangleSitsAroundTheMiddleOfItsRectangle) {
    QRectF const collapsed = GQUIExpandCollapseButton::IndicatorPath(QRect(0, 0, 16, 20), false).boundingRect();
    EXPECT_EQ(QRectF(4, 6, 8, 8), collapsed);
    QRectF const expanded = GQUIExpandCollapseButton::IndicatorPath(QRect(0, 0, 16, 20), true).boundingRect();
    EXPECT_EQ(QRectF(4, 6, 8, 8), expanded);
    EXPECT_EQ(QRectF(14, 11, 8, 8), GQUIExpandCollapseButton::IndicatorPath(QRect(10, 5, 16, 21), true).boundingRect());
}

TEST(ExpandCollapseButton, ItPaintsAGrayTriangleThatFollowsTheState) {
    GQUIExpandCollapseButton button(false, nullptr);
    button.resize(16, 20);
    auto dark = [&](int x, int y) {
        QImage image(button.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        button.render(&image);
        return qGray(image.pixel(x, y)) < 200;
    };
    EXPECT_TRUE(dark(6, 10)) << "inside the right-pointing triangle";
    EXPECT_FALSE(dark(11, 7)) << "outside it, where the down-pointing one lies";
    button.SetExpanded(true);
    EXPECT_TRUE(button.IsExpanded());
    EXPECT_TRUE(dark(8, 6) || dark(8, 7));
    EXPECT_FALSE(dark(6, 13));
    button.ToggleState();
    EXPECT_FALSE(button.IsExpanded());
    EXPECT_EQ(QString("QToolButton { border: none }"), button.styleSheet());
}
