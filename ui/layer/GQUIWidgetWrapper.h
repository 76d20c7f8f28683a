#pragma once
// GQUIWidgetWrapper: the hidden widget that parents the toolkit's dialogs when no Qt window is
// active. It is never shown. It watches its widget children and forwards nothing.
//
// Callers may rely on:
// - It never deletes itself: its owner (the Qt layer) decides its life. A child that is deleted
//   on close leaves the wrapper's filters when it closes or is destroyed.
#include <QtWidgets/QWidget>

class GQUIWidgetWrapper : public QWidget {
public:
    GQUIWidgetWrapper();
    ~GQUIWidgetWrapper() override;

    bool IsClosing() const { return mClosing; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool mClosing = false;
};
