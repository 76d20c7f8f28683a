#pragma once
// GQUICollapsibleFrame: a header row (disclosure button, title, optional header widget) over a
// main pane that the user shows and hides with the button. The title follows the state.
//
// Callers may rely on:
// - Without flags the pane and the header widget show only while expanded; ShowHeaderAlways
//   keeps the header widget shown, HideHeader hides it (unless ShowHeaderAlways is set too),
//   HideMainPane keeps the pane hidden.
// - A click toggles the state and emits StateChanged(pane ID, new state); SetExpandState and the
//   other setters emit nothing.
// - A replaced pane or header widget stays a child of the frame, outside the layout, with its
//   visibility as it was.
#include <QtCore/QFlags>
#include <QtCore/QString>
#include <QtWidgets/QWidget>

class QGridLayout;
class QLabel;
class GQUIExpandCollapseButton;

class GQUICollapsibleFrame : public QWidget {
    Q_OBJECT

public:
    enum FrameWidgetsVisibilityOption { HideHeader = 1, ShowHeaderAlways = 2, HideMainPane = 4 };
    Q_DECLARE_FLAGS(FrameWidgetsVisibility, FrameWidgetsVisibilityOption)

    GQUICollapsibleFrame(QWidget* parent, QString const& expandedTitle, QString const& collapsedTitle, bool expanded,
                         int paneID);
    ~GQUICollapsibleFrame() override;

    void SetHeaderWidget(QWidget* widget);
    void SetMainPane(QWidget* pane);
    void SetExpandState(bool expanded);
    void SetVisibilityFlags(FrameWidgetsVisibility flags);
    bool IsExpanded() const;

    QLabel* GetTitleLabel() const { return mTitle; }
    GQUIExpandCollapseButton* GetButton() const { return mButton; }

Q_SIGNALS:
    void StateChanged(int inPaneID, bool inState);

public Q_SLOTS:
    void DisclosableButtonClicked();

private:
    void ApplyState(bool expanded);

    QString mExpandedTitle;
    QString mCollapsedTitle;
    QLabel* mTitle = nullptr;
    QWidget* mMainPane = nullptr;
    QWidget* mHeader = nullptr;
    GQUIExpandCollapseButton* mButton = nullptr;
    QGridLayout* mLayout = nullptr;
    FrameWidgetsVisibility mFlags;
    int mPaneID;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(GQUICollapsibleFrame::FrameWidgetsVisibility)
