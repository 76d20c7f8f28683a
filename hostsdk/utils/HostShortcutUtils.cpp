#include "hostsdk/utils/HostShortcutUtils.h"

#include "hostsdk/actions/ShortcutText.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ErrorCode HostShortcutUtils::ParseShortcutString(const PMString& text, VirtualKey* key, std::int16_t* modifiers,
                                                 bool16* functionKey) const {
    if (HostCallLog::Enter("IShortcutUtils::ParseShortcutString", HostQuote(text)))
        return kFailure;
    VirtualKey parsedKey = 0;
    std::int16_t parsedModifiers = 0;
    bool parsedFunction = false;
    if (!ShortcutText::Parse(text.GetUTF8String(), parsedKey, parsedModifiers, parsedFunction))
        return kFailure;
    if (key != nullptr)
        *key = parsedKey;
    if (modifiers != nullptr)
        *modifiers = parsedModifiers;
    if (functionKey != nullptr)
        *functionKey = parsedFunction;
    return kSuccess;
}
