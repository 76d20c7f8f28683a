#include "ui/help/GQUIHelpHandlerListener.h"

#include <QtCore/QRect>
#include <QtGui/QCursor>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/containers/GDictUtil.h"
#include "core/signals/GBasicSignals.h"
#include "ui/help/GQUIHelpHandler.h"

namespace {

bool Contains(QWidget const& widget, QPoint const& position) {
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size()).contains(position);
}

int Depth(QWidget const* widget) {
    int depth = 0;
    for (QWidget const* parent = widget->parentWidget(); parent != nullptr; parent = parent->parentWidget())
        ++depth;
    return depth;
}

}  // namespace

GQUIHelpHandlerListener::GQUIHelpHandlerListener() : mTexts(GDictUtil::GetAllocation(5)) {
    Subscribe(GBasicSignals::kIdleTime);
}

GQUIHelpHandlerListener::~GQUIHelpHandlerListener() { UnSubscribeAll(); }

void GQUIHelpHandlerListener::RegisterHelp(QWidget const* widget, GString const& text) {
    if (widget == nullptr)
        return;
    DropDeletedWidgets();
    int slot = 0;
    if (mTexts.GetExistingIndex(widget, slot))
        return;
    mTexts.Put(widget, Entry{widget, text});
}

void GQUIHelpHandlerListener::UnregisterHelp(QWidget const* widget) {
    mTexts.Remove(widget);
    for (int i = mUnderPointer.GetCount() - 1; i >= 0; --i) {
        if (mUnderPointer[i] == widget)
            mUnderPointer.RemoveItemAt(i);
    }
}

void GQUIHelpHandlerListener::Receive(int id, GEmptyMessage const&) {
    if (id != GBasicSignals::kIdleTime)
        return;
    DropDeletedWidgets();
    QPoint const position = QCursor::pos();
    LeaveWidgetsAt(position);
    EnterWidgetsAt(position);
}

void GQUIHelpHandlerListener::DropDeletedWidgets() {
    std::vector<QWidget const*> deleted;
    for (int slot = 0; slot < mTexts.GetAllocation(); ++slot) {
        if (mTexts.IsSlotUsed(slot) && mTexts.GetValueAt(slot).widget.isNull())
            deleted.push_back(mTexts.GetKeyAt(slot));
    }
    for (QWidget const* widget : deleted)
        mTexts.Remove(widget);
    bool leftDeleted = false;
    for (int i = mUnderPointer.GetCount() - 1; i >= 0; --i) {
        if (mUnderPointer[i].isNull()) {
            mUnderPointer.RemoveItemAt(i);
            leftDeleted = true;
        }
    }
    // A deleted widget cannot name its pane: each handler drops what it held of it.
    if (leftDeleted)
        GQUIHelpHandler::ForgetDeletedWidgets();
}

void GQUIHelpHandlerListener::LeaveWidgetsAt(QPoint const& position) {
    GTable<QPointer<QWidget const>> const under = mUnderPointer;
    for (QPointer<QWidget const> const& widget : under) {
        if (widget.isNull() || Contains(*widget, position))
            continue;
        mUnderPointer.RemoveItem(widget);
        GQUIHelpHandler::StopDelayedHelp(widget);
    }
}

void GQUIHelpHandlerListener::EnterWidgetsAt(QPoint const& position) {
    std::vector<std::pair<QPointer<QWidget const>, GString>> entered;
    for (int slot = 0; slot < mTexts.GetAllocation(); ++slot) {
        if (!mTexts.IsSlotUsed(slot))
            continue;
        Entry const& entry = mTexts.GetValueAt(slot);
        QWidget const* widget = entry.widget;
        if (widget == nullptr || !widget->isVisible() || !Contains(*widget, position))
            continue;
        if (std::find(mUnderPointer.begin(), mUnderPointer.end(), widget) == mUnderPointer.end())
            entered.emplace_back(widget, entry.text);
    }
    // Outer widgets first, so that the innermost one under the pointer ends up shown.
    std::stable_sort(entered.begin(), entered.end(),
                     [](auto const& a, auto const& b) { return Depth(a.first) < Depth(b.first); });
    for (auto const& [widget, text] : entered) {
        // Showing a text runs the edit's signals, whose receivers may delete widgets.
        if (widget.isNull())
            continue;
        mUnderPointer.AddItem(widget);
        GQUIHelpHandler::SetDelayedHelp(widget, text);
    }
}
