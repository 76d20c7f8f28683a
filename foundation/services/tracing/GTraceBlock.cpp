#include "services/tracing/GTraceBlock.h"

#include "services/tracing/GTrace.h"

GTraceBlock::GTraceBlock(GBuffer const& category, GBuffer const& name, GCodeLocation const& location)
    : mCategory(category), mName(name), mLocation(location), mTrace(nullptr), mGeneration(0) {
    GTrace* trace = GTrace::GetInstance();
    if (trace == nullptr)
        return;
    mGeneration = GTrace::GetInstanceGeneration();
    if (trace->OpenBlock(mCategory, mName, mLocation))
        mTrace = trace;
}

GTraceBlock::~GTraceBlock() {
    // A block that outlives its instance has nothing left to close.
    if (mTrace == nullptr || GTrace::GetInstanceGeneration() != mGeneration || GTrace::GetInstance() != mTrace)
        return;
    mTrace->CloseBlock(mCategory, mName, mLocation);
}
