#include "core/streams/GInStream.h"

#include <algorithm>

#include "core/bytes/GBuffer.h"

namespace {
constexpr long long cSkipChunk = 1048576;
}

GInStream::~GInStream() = default;

bool GInStream::TryCloneInner(GInStream const* inner, std::unique_ptr<GInStream>& clone) {
    clone.reset();
    if (inner == nullptr)
        return true;
    clone.reset(inner->CreateClone());
    return clone != nullptr;
}

long long GInStream::Skip(long long count) {
    GBuffer scratch;
    long long total = 0;
    while (count >= 1) {
        int n = Read(scratch, static_cast<int>(std::min(count, cSkipChunk)));
        if (n <= 0)
            break;
        total += n;
        count -= n;
    }
    return total;
}
