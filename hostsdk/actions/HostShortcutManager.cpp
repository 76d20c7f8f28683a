#include "hostsdk/actions/HostShortcutManager.h"

#include "hostsdk/actions/ShortcutText.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ErrorCode HostShortcutManager::AddShortcut(ActionID action, const PMString& context, VirtualKey key,
                                           std::int16_t modifiers) {
    const std::string detail =
        HostHex(action) + " " + HostQuote(context) + " " + ShortcutText::Format(key, modifiers);
    if (HostCallLog::Enter("IShortcutManager::AddShortcut", detail))
        return kFailure;
    return mTable.AddShortcut(action, {context.GetUTF8String(), key, modifiers});
}
