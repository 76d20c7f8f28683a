#pragma once
// GOutStream: a sink of bytes, written whole buffers at a time. Like input streams, output
// streams are stacked as decorators over an inner stream that they borrow or own.
//
// Callers may rely on:
// - Write appends all of data and returns how many bytes it wrote; fewer than the length of data
//   means the sink could not take the rest.
// - Skip, Reset and Flush do nothing unless a stream says otherwise (Skip returns 0).
// - Reserve is a hint that about so many more bytes will be written: a stream that gathers them
//   in memory makes room at once instead of growing step by step; others ignore it.
// - Exceptions of an inner stream pass through. One thread at a time.
class GBuffer;

class GOutStream {
public:
    GOutStream() = default;
    GOutStream(GOutStream const&) = delete;
    GOutStream& operator=(GOutStream const&) = delete;
    virtual ~GOutStream();

    virtual int Write(GBuffer const& data) = 0;
    virtual long long Skip(long long count);
    virtual void Reset();
    virtual void Flush();
    virtual void Reserve(long long bytes);
};
