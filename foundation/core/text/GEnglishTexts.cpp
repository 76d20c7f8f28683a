#include "core/text/GEnglishTexts.h"

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
#include "core/containers/GDict.h"
#include "core/text/GString.h"

namespace {

struct Registry {
    GMutex mutex;
    GDict<int32_t, GString> texts;
};

Registry& TheRegistry() {
    // Never destroyed: texts may be read on other threads while the program exits.
    static Registry* const registry = new Registry;
    return *registry;
}

void Put(Registry& registry, int id, GString text) {
    // Final form before it is shared, so that copying it out never changes it.
    text.EnsureUnicode();
    registry.texts.Put(id, text);
}

}  // namespace

void GEnglishTexts::AddTexts(const Entry* entries, int count) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    for (int i = 0; i < count; ++i)
        Put(registry, entries[i].id, GString(entries[i].text));
}

void GEnglishTexts::SetText(int id, const GString& text) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    Put(registry, id, text);
}

bool GEnglishTexts::GetText(int id, GString& out) {
    Registry& registry = TheRegistry();
    GMutexLocker lock(registry.mutex);
    int slot = 0;
    if (!registry.texts.GetExistingIndex(id, slot))
        return false;
    out = registry.texts.GetValueAt(slot);
    return true;
}
