#pragma once
// One entry of a listed folder, as the folder iterator caches it: the entry's native path (the
// folder's path joined with the entry's UTF-8 name) and what the listing learnt about it.
// A symbolic link is an alias and never a folder, whatever it points at.
#include <type_traits>

#include "core/base/GIsRelocatable.h"
#include "core/text/GString.h"

struct IteratorCacheItem {
    GString path;
    bool isFolder = false;
    bool isHidden = false;
    bool isAlias = false;
};

template <>
struct GIsRelocatable<IteratorCacheItem> : std::true_type {};
