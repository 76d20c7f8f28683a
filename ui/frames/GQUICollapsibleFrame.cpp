#include "ui/frames/GQUICollapsibleFrame.h"

#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>

#include "ui/frames/GQUIExpandCollapseButton.h"

GQUICollapsibleFrame::GQUICollapsibleFrame(QWidget* parent, QString const& expandedTitle,
                                           QString const& collapsedTitle, bool expanded, int paneID)
    : QWidget(parent), mExpandedTitle(expandedTitle), mCollapsedTitle(collapsedTitle), mPaneID(paneID) {
    mTitle = new QLabel(expanded ? mExpandedTitle : mCollapsedTitle, this);
    mLayout = new QGridLayout;
    mButton = new GQUIExpandCollapseButton(expanded, this);
    mButton->SetExpanded(expanded);
    mLayout->addWidget(mButton, 0, 0);
    mLayout->addWidget(mTitle, 0, 1);
    mLayout->setRowStretch(1, 1);
    mLayout->setColumnStretch(2, 1);
    mLayout->setContentsMargins(5, 5, 5, 5);
    setLayout(mLayout);
    connect(mButton, &QToolButton::clicked, this, &GQUICollapsibleFrame::DisclosableButtonClicked);
}

GQUICollapsibleFrame::~GQUICollapsibleFrame() = default;

void GQUICollapsibleFrame::SetHeaderWidget(QWidget* widget) {
    if (widget == nullptr)
        return;
    if (mHeader != nullptr)
        mLayout->removeWidget(mHeader);
    mHeader = widget;
    mLayout->addWidget(mHeader, 0, 2);
    ApplyState(IsExpanded());
}

void GQUICollapsibleFrame::SetMainPane(QWidget* pane) {
    if (pane == nullptr)
        return;
    if (mMainPane != nullptr)
        mLayout->removeWidget(mMainPane);
    mMainPane = pane;
    mLayout->addWidget(mMainPane, 1, 0, 1, 3);
    ApplyState(IsExpanded());
}

void GQUICollapsibleFrame::SetExpandState(bool expanded) { ApplyState(expanded); }

void GQUICollapsibleFrame::SetVisibilityFlags(FrameWidgetsVisibility flags) {
    mFlags = flags;
    ApplyState(IsExpanded());
}

bool GQUICollapsibleFrame::IsExpanded() const { return mButton->IsExpanded(); }

void GQUICollapsibleFrame::DisclosableButtonClicked() {
    bool const expanded = !IsExpanded();
    ApplyState(expanded);
    Q_EMIT StateChanged(mPaneID, expanded);
}

void GQUICollapsibleFrame::ApplyState(bool expanded) {
    mButton->SetExpanded(expanded);
    if (mMainPane != nullptr)
        mMainPane->setVisible(expanded && !mFlags.testFlag(HideMainPane));
    if (mHeader != nullptr)
        mHeader->setVisible(mFlags.testFlag(ShowHeaderAlways) || (!mFlags.testFlag(HideHeader) && expanded));
    mTitle->setText(expanded ? mExpandedTitle : mCollapsedTitle);
    updateGeometry();
}
