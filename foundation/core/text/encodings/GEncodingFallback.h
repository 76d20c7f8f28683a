#pragma once
// The encoding singletons as code that may run before the core layer's start-up or after its
// shutdown needs them: the installed singleton when there is one, else one instance per class
// kept alive for the process, so that text never silently loses its encoding.
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"

class GEncodingFallback {
public:
    GEncodingFallback() = delete;

    template <class E>
    static E* Get() {
        if (E* installed = E::GetInstance())
            return installed;
        static GSharedObject<E> const fallback(new E);
        return fallback.Get();
    }

    // The system's code page is Mac Roman: it stands in while no platform factory is installed.
    static GEncoding const* GetPlatform() {
        if (GPlatformEncoding* platform = GPlatformEncoding::GetInstance())
            return platform;
        return Get<GMacRomanEncoding>();
    }
};
