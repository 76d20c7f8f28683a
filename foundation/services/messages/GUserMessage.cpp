#include "services/messages/GUserMessage.h"

#include <atomic>

#include "services/paths/GPathName.h"

namespace {

std::atomic<GUserMessage const*> sInstance{nullptr};
std::atomic<bool> sHasDefaultInstance{true};

}  // namespace

GUserMessage const* GUserMessage::GetInstance() {
    GUserMessage const* current = sInstance.load(std::memory_order_acquire);
    if (current != nullptr)
        return current;
    auto* made = new GUserMessage;
    // Two first calls at once keep one default and delete the other.
    if (sInstance.compare_exchange_strong(current, made, std::memory_order_acq_rel))
        return made;
    delete made;
    return current;
}

void GUserMessage::SetInstance(GUserMessage const* instance) {
    GUserMessage const* previous = sInstance.exchange(instance, std::memory_order_acq_rel);
    sHasDefaultInstance.store(instance == nullptr, std::memory_order_release);
    if (previous != instance)
        delete previous;
}

bool GUserMessage::HasDefaultInstance() { return sHasDefaultInstance.load(std::memory_order_acquire); }

int GUserMessage::ShowMessage(GString const&, GString const&) const { return 1; }
void GUserMessage::ShowInfoMessage(GString const&, GString const&) const {}
void GUserMessage::ShowErrorMessage(GString const&, GString const&) const {}
int GUserMessage::ShowWarningMessage(GString const&, GString const&) const { return 1; }
int GUserMessage::ShowYesNoMessage(GString const&, GString const&) const { return 1; }

int GUserMessage::ShowFileChooserDialog(GString const&, GFileType const*, GPathName&) const { return 1; }

int GUserMessage::ShowFileChooserDialog(GString const&, GTable<GFileType const*> const&, GPathName&) const {
    return 1;
}

int GUserMessage::ShowFileChooserDialog(GString const&, GFileType const*, GTable<GPathName>& chosen) const {
    chosen.Resize(0);
    return 1;
}

int GUserMessage::ShowFileChooserDialog(GString const&, GTable<GFileType const*> const&,
                                        GTable<GPathName>& chosen) const {
    chosen.Resize(0);
    return 1;
}

int GUserMessage::ShowOpenFolder(GString const&, GPathName&) const { return 0; }
int GUserMessage::ChooseSave(GString const&, GString const&, GFileType const*, GPathName&) const { return 0; }
int GUserMessage::ShowPreferenceMessage(GString const&, GString const&, bool&, bool) const { return 0; }

int GUserMessage::ShowPasswordDialog(GString const&, GString const&, GBuffer& password) const {
    password.SetLength(0);
    return 0;
}

int GUserMessage::CreatePasswordDialog(GString const&, GString const&, GString& password) const {
    password.Clear();
    return 0;
}
