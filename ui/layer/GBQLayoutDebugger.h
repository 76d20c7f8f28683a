#pragma once
// GBQLayoutDebugger: an application-wide event filter that draws layout guides over every widget
// it sees painted: layouts red (grid cells dotted), widgets blue. A debugging aid switched on by
// the preference "General"/"ShowQtLayoutDebugGuides".
#include <QtCore/QObject>

class QLayoutItem;
class QPainter;
class QWidget;

class GBQLayoutDebugger : public QObject {
public:
    explicit GBQLayoutDebugger(QObject* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    static void PaintLayouts(QWidget& widget);

private:
    static void PaintItem(QPainter& painter, QLayoutItem* item);
};
