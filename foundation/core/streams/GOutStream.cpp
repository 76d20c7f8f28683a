#include "core/streams/GOutStream.h"

GOutStream::~GOutStream() = default;

long long GOutStream::Skip(long long) { return 0; }

void GOutStream::Reset() {}

void GOutStream::Flush() {}

void GOutStream::Reserve(long long) {}
