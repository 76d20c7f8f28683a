#pragma once
// GQUIExpandCollapseButton: the disclosure button of a collapsible frame, a borderless tool
// button that paints a small filled triangle, pointing right when collapsed and down when
// expanded. It holds the expanded state; it does not toggle itself when clicked.
#include <QtGui/QPainterPath>
#include <QtWidgets/QToolButton>

class QStyleOption;

class GQUIExpandCollapseButton : public QToolButton {
    Q_OBJECT

public:
    GQUIExpandCollapseButton(bool expanded, QWidget* parent);
    ~GQUIExpandCollapseButton() override;

    void SetExpanded(bool expanded);
    bool IsExpanded() const { return mExpanded; }
    void ToggleState();

    // The triangle for an option rectangle: around its vertical middle, 4 to 12 pixels from its left.
    static QPainterPath IndicatorPath(QRect const& rect, bool expanded);

protected:
    void paintEvent(QPaintEvent* event) override;
    void DrawIndicator(QStyleOption const* option, QPainter* painter) const;

private:
    bool mExpanded;
};
