#pragma once
// GInStream: a source of bytes, read in counted chunks. Streams are stacked as decorators, each
// holding an inner stream that it borrows (built from a reference) or owns (built from a pointer).
//
// Callers may rely on:
// - Read replaces the content of out and returns how many bytes it delivered (at least 1), or -1
//   with out empty when nothing came: end of input, or a count below 1. A short read is not the
//   end: only -1 is.
// - Skip moves forward by at most count bytes (nothing for a count below 1) and returns how far.
// - CreateClone gives an independent stream at the same position, owned by the caller, or null
//   for a stream that cannot be cloned.
// - Streams report no errors of their own; exceptions of an inner stream pass through.
// - One thread at a time; no stream takes a lock.
#include <memory>

class GBuffer;

class GInStream {
public:
    GInStream() = default;
    GInStream& operator=(GInStream const&) = delete;
    virtual ~GInStream();

    virtual GInStream* CreateClone() const = 0;
    virtual int Read(GBuffer& out, int count) = 0;
    // Default: reads and drops the bytes, at most 1 MB at a time.
    virtual long long Skip(long long count);
    virtual void Reset() = 0;

protected:
    // For the copy constructors behind CreateClone.
    GInStream(GInStream const&) = default;

    // For a decorator's CreateClone: clone becomes a clone of inner (null for a null inner).
    // False when inner cannot be cloned: without its own inner stream a decorator's clone would
    // report the end at once, so the decorator cannot be cloned either.
    static bool TryCloneInner(GInStream const* inner, std::unique_ptr<GInStream>& clone);
};
