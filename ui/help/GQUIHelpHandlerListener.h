#pragma once
// GQUIHelpHandlerListener: the registered widgets and their help texts. On each idle signal (100)
// it compares the pointer's position with the widgets: a widget the pointer left stops its help,
// a visible widget it entered starts its delayed help, outer widgets before the ones inside them.
//
// Callers may rely on:
// - Subscribed to signal 100 for its whole life.
// - Widgets are held by guarded pointers: a widget deleted meanwhile is forgotten at the next
//   signal, and a new widget at its address is a new widget.
// - Main thread only.
#include <QtCore/QPointer>

#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "core/text/GString.h"

class QWidget;

class GQUIHelpHandlerListener : public GReceiver<GEmptyMessage> {
public:
    GQUIHelpHandlerListener();
    ~GQUIHelpHandlerListener() override;

    void Receive(int id, GEmptyMessage const& message) override;

    // A widget that has a text keeps it.
    void RegisterHelp(QWidget const* widget, GString const& text);
    void UnregisterHelp(QWidget const* widget);

private:
    struct Entry {
        QPointer<QWidget const> widget;
        GString text;
    };

    void DropDeletedWidgets();
    void LeaveWidgetsAt(QPoint const& position);
    void EnterWidgetsAt(QPoint const& position);

    GDict<QWidget const*, Entry> mTexts;
    // The registered widgets the pointer is on, in the order it entered them.
    GTable<QPointer<QWidget const>> mUnderPointer;
};
