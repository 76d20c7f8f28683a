#include "core/streams/GMemoryOutStream.h"

#include <climits>

#include "core/bytes/GBuffer.h"

GMemoryOutStream::GMemoryOutStream(GBuffer& target) : mTarget(&target), mOwnsTarget(false) {}

GMemoryOutStream::GMemoryOutStream(GBuffer* target) : mTarget(target), mOwnsTarget(true) {}

GMemoryOutStream::~GMemoryOutStream() {
    if (mOwnsTarget)
        delete mTarget;
}

int GMemoryOutStream::Write(GBuffer const& data) {
    if (mTarget == nullptr)
        return 0;
    int n = data.GetLength();  // before appending: data may be the target itself
    *mTarget += data;
    return n;
}

void GMemoryOutStream::Reserve(long long bytes) {
    if (mTarget == nullptr || bytes <= 0)
        return;
    // Only a hint: room a buffer cannot have is left for the writes to refuse.
    const long long total = mTarget->GetLength() + bytes;
    if (total < INT_MAX - 2)
        mTarget->Allocate(static_cast<int>(total));
}
