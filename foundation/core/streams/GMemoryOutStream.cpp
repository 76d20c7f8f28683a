#include "core/streams/GMemoryOutStream.h"

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
