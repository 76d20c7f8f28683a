#pragma once
// What the fuzz targets share: a failed check ends the run (libFuzzer reports it as a crash),
// the foundation starts once per process before the first input, and buffers compare as text.
#include <cstddef>
#include <cstdlib>
#include <string>

#include "core/bytes/GBuffer.h"
#include "support/FoundationStartup.h"

inline void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Starts the foundation on the first call; whether an input of size bytes is taken, from least
// to most bytes (longer inputs only slow the run down).
inline bool TakeInput(std::size_t size, std::size_t least, std::size_t most) {
    static bool const started = [] {
        StartFoundation();
        return true;
    }();
    (void)started;
    return size >= least && size <= most;
}

inline std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}
