#include "printerprocessor/sharedmemory/GIPPrefix.h"

namespace {

char const* const kPrefixes[] = {"KvoDef", "KvoMtx", "KvoShD", "KvoShL"};

}  // namespace

char const* GIPPrefix::GetPrefix(int id) {
    if (id < 0 || id >= static_cast<int>(sizeof kPrefixes / sizeof kPrefixes[0]))
        return nullptr;
    return kPrefixes[id];
}
