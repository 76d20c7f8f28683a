#include "ui/help/GQUIHelpHandler.h"

#include <QtWidgets/QTextEdit>
#include <QtWidgets/QWidget>

#include <memory>
#include <vector>

#include "core/containers/GDict.h"
#include "core/containers/GDictUtil.h"
#include "core/signals/GBasicSignals.h"
#include "core/signals/GSignal.h"
#include "core/text/GStringPool.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/help/GQUIHelpHandlerListener.h"
#include "ui/help/GQUIHelpHandlerTimeIdler.h"

namespace {

// Made on first use, after the signal registry it unsubscribes from, so that it goes before the
// registry at exit. It owns the handlers.
struct HelpState {
    HelpState() : paneToHandler(GDictUtil::GetAllocation(5)) {
        GSignal<GEmptyMessage>::FindSignal(GBasicSignals::kIdleTime);
    }
    ~HelpState() {
        listener.reset();
        timeIdler.reset();
        activeHandlers.Resize(0);
        paneToHandler.DeleteAll();
    }
    HelpState(HelpState const&) = delete;
    HelpState& operator=(HelpState const&) = delete;

    template <class Call>
    void ForEachHandler(Call call) {
        for (int slot = 0; slot < paneToHandler.GetAllocation(); ++slot) {
            if (paneToHandler.IsSlotUsed(slot))
                call(*paneToHandler.GetValueAt(slot));
        }
    }

    GDict<QWidget const*, GQUIHelpHandler*> paneToHandler;
    GTable<GQUIHelpHandler*> activeHandlers;
    std::unique_ptr<GQUIHelpHandlerTimeIdler> timeIdler;
    std::unique_ptr<GQUIHelpHandlerListener> listener;
};

HelpState& State() {
    static HelpState fState;
    return fState;
}

// The idler lives exactly while some handler waits.
void SyncTimeIdler() {
    HelpState& state = State();
    if (state.activeHandlers.GetCount() > 0 && !state.timeIdler)
        state.timeIdler = std::make_unique<GQUIHelpHandlerTimeIdler>(&GQUIHelpHandler::Listen);
    else if (state.activeHandlers.GetCount() == 0)
        state.timeIdler.reset();
}

}  // namespace

GQUIHelpHandler::GQUIHelpHandler(QWidget const* pane, QTextEdit* edit, int delay)
    : mPane(pane), mEdit(edit), mDelay(delay) {}

GQUIHelpHandler::~GQUIHelpHandler() { DeactivateHandler(); }

void GQUIHelpHandler::Initialize() {
    HelpState& state = State();
    if (!state.listener)
        state.listener = std::make_unique<GQUIHelpHandlerListener>();
}

void GQUIHelpHandler::Finalize() {
    HelpState& state = State();
    state.listener.reset();
    // The widgets under the pointer are forgotten with the listener, so the panes drop their
    // texts; and no idler stays subscribed past the framework's stop, where a restarted
    // framework would never call it.
    state.ForEachHandler([](GQUIHelpHandler& handler) { handler.Clear(); });
    state.activeHandlers.Resize(0);
    SyncTimeIdler();
}

void GQUIHelpHandler::RegisterHelpComponent(QWidget const* pane, QTextEdit* edit) {
    if (pane == nullptr)
        return;
    DropDeletedPanes();
    HelpState& state = State();
    auto handler = std::make_unique<GQUIHelpHandler>(pane, edit, kDefaultDelay);
    state.paneToHandler.Delete(pane);
    state.paneToHandler.Put(pane, handler.get());
    handler.release();
}

void GQUIHelpHandler::UnregisterHelpComponent(QWidget const* pane) { State().paneToHandler.Delete(pane); }

void GQUIHelpHandler::RegisterHelp(QWidget* widget, int stringID) {
    RegisterHelp(widget, GStringPool::GetString(stringID));
}

void GQUIHelpHandler::RegisterHelp(QWidget* widget, GString const& text) {
    if (GQUIHelpHandlerListener* listener = State().listener.get())
        listener->RegisterHelp(widget, text);
}

void GQUIHelpHandler::UnregisterHelp(QWidget* widget) {
    if (GQUIHelpHandlerListener* listener = State().listener.get())
        listener->UnregisterHelp(widget);
}

void GQUIHelpHandler::SetDelayedHelp(QWidget const* widget, int stringID) {
    SetDelayedHelp(widget, GStringPool::GetString(stringID));
}

void GQUIHelpHandler::SetDelayedHelp(QWidget const* widget, GString const& text) {
    // A modal window runs its own loop, where idle time may never come.
    if (widget != nullptr && widget->window()->windowModality() != Qt::NonModal) {
        SetImmediateHelp(widget, text);
        return;
    }
    GQUIHelpHandler* handler = FindHandler(widget);
    if (handler == nullptr)
        return;
    handler->AddHelpText(widget, text);
    handler->ActivateHandler();
}

void GQUIHelpHandler::SetImmediateHelp(QWidget const* widget, int stringID) {
    SetImmediateHelp(widget, GStringPool::GetString(stringID));
}

void GQUIHelpHandler::SetImmediateHelp(QWidget const* widget, GString const& text) {
    GQUIHelpHandler* handler = FindHandler(widget);
    if (handler == nullptr)
        return;
    handler->DeactivateHandler();
    handler->Show(text);
}

void GQUIHelpHandler::StopDelayedHelp(QWidget const* widget) {
    GQUIHelpHandler* handler = FindHandler(widget);
    if (handler == nullptr)
        return;
    handler->RemoveHelpText(widget);
    handler->WaitOrStop();
}

QWidget const* GQUIHelpHandler::GetHelpfullPane(QWidget const* widget) {
    GQUIHelpHandler* handler = FindHandler(widget);
    return handler != nullptr ? handler->mPane.data() : nullptr;
}

GQUIHelpHandler* GQUIHelpHandler::FindHandler(QWidget const* widget) {
    DropDeletedPanes();
    HelpState& state = State();
    for (QWidget const* pane = widget; pane != nullptr; pane = pane->parentWidget()) {
        int slot = 0;
        if (state.paneToHandler.GetExistingIndex(pane, slot))
            return state.paneToHandler.GetValueAt(slot);
    }
    return nullptr;
}

void GQUIHelpHandler::DropDeletedPanes() {
    HelpState& state = State();
    std::vector<QWidget const*> deleted;
    for (int slot = 0; slot < state.paneToHandler.GetAllocation(); ++slot) {
        if (state.paneToHandler.IsSlotUsed(slot) && state.paneToHandler.GetValueAt(slot)->mPane.isNull())
            deleted.push_back(state.paneToHandler.GetKeyAt(slot));
    }
    // A new widget at a deleted pane's address is no pane.
    for (QWidget const* pane : deleted)
        state.paneToHandler.Delete(pane);
}

void GQUIHelpHandler::Listen() {
    HelpState& state = State();
    // Each waiting handler once, also when others leave the list meanwhile.
    GTable<GQUIHelpHandler*> const waiting = state.activeHandlers;
    for (GQUIHelpHandler* handler : waiting) {
        if (state.activeHandlers.FindItem(handler) >= 0)
            handler->CheckAndActivate();
    }
    SyncTimeIdler();
}

void GQUIHelpHandler::ForgetDeletedWidgets() {
    State().ForEachHandler([](GQUIHelpHandler& handler) {
        if (handler.DropDeletedWidgets() > 0)
            handler.WaitOrStop();
    });
}

int GQUIHelpHandler::AddHelpText(QWidget const* widget, GString const& text) {
    mWidgets.AddItem(widget);
    mTexts.AddItem(text);
    mTimer.Restart();
    return mTexts.GetCount();
}

int GQUIHelpHandler::RemoveHelpText() {
    if (mTexts.GetCount() > 0) {
        mWidgets.RemoveLastItem();
        mTexts.RemoveLastItem();
    }
    if (mTexts.GetCount() > 0)
        mTimer.Restart();
    else
        mTimer.Stop();
    return mTexts.GetCount();
}

int GQUIHelpHandler::RemoveHelpText(QWidget const* widget) {
    for (int i = mWidgets.GetCount() - 1; i >= 0; --i) {
        if (mWidgets[i] == widget) {
            mWidgets.RemoveItemAt(i);
            mTexts.RemoveItemAt(i);
            return mTexts.GetCount();
        }
    }
    return RemoveHelpText();
}

int GQUIHelpHandler::DropDeletedWidgets() {
    int dropped = 0;
    for (int i = mWidgets.GetCount() - 1; i >= 0; --i) {
        if (!mWidgets[i].isNull())
            continue;
        mWidgets.RemoveItemAt(i);
        mTexts.RemoveItemAt(i);
        ++dropped;
    }
    return dropped;
}

void GQUIHelpHandler::WaitOrStop() {
    if (mTexts.GetCount() > 0) {
        mTimer.Restart();
        ActivateHandler();
        return;
    }
    mTimer.Stop();
    DeactivateHandler();
}

void GQUIHelpHandler::ActivateHandler() {
    State().activeHandlers.AddUniqueItem(this);
    SyncTimeIdler();
}

void GQUIHelpHandler::DeactivateHandler() {
    State().activeHandlers.RemoveItem(this);
    SyncTimeIdler();
}

void GQUIHelpHandler::CheckAndActivate() {
    DropDeletedWidgets();
    if (mTexts.GetCount() == 0) {
        mTimer.Stop();
        DeactivateHandler();
        return;
    }
    if (mTimer.GetElapsedSeconds() * 1000.0 < mDelay)
        return;
    mTimer.Stop();
    Show(mTexts[mTexts.GetCount() - 1]);
    DeactivateHandler();
}

void GQUIHelpHandler::Show(GString const& text) {
    // Texts come from anywhere: never read as markup.
    if (!mEdit.isNull())
        mEdit->setPlainText(GQStringSupport::ToQString(text));
}

void GQUIHelpHandler::Clear() {
    mWidgets.Resize(0);
    mTexts.Resize(0);
    mTimer.Stop();
}
