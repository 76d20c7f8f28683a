#pragma once
#include "core/bytes/GBuffer.h"
#include "services/tracing/GCodeLocation.h"

class GTrace;

// A block of entries: opening writes "Beginning:" and the name and indents what follows; the
// destructor lowers the depth and writes "Ending:" and the name. Does nothing without an instance.
class GTraceBlock {
public:
    GTraceBlock(GBuffer const& category, GBuffer const& name, GCodeLocation const& location);
    ~GTraceBlock();
    GTraceBlock(GTraceBlock const&) = delete;
    GTraceBlock& operator=(GTraceBlock const&) = delete;

private:
    GBuffer mCategory;
    GBuffer mName;
    GCodeLocation mLocation;
    GTrace* mTrace;
    unsigned mGeneration;
};
