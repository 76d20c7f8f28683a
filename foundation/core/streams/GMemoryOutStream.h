#pragma once
// GMemoryOutStream: appends what is written to a GBuffer.
//
// Callers may rely on:
// - Built from a reference, the target is borrowed and the caller keeps it alive; built from a
//   pointer, the stream owns it and deletes it with itself (a null target takes nothing: Write
//   returns 0).
// - The target is never cleared by the stream; Write appends all of data.
#include "core/streams/GOutStream.h"

class GMemoryOutStream : public GOutStream {
public:
    explicit GMemoryOutStream(GBuffer& target);
    explicit GMemoryOutStream(GBuffer* target);
    ~GMemoryOutStream() override;

    int Write(GBuffer const& data) override;
    void Reserve(long long bytes) override;

private:
    GBuffer* mTarget;
    bool mOwnsTarget;
};
