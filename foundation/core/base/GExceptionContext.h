#pragma once
// One record of a thread's exception-context stack: what the thread is working on, described as
// a message. GExceptionLocation makes the records; each refers to the caller's object (not a
// copy), which outlives the record.
#include "core/memory/GFastAllocatable.h"

class GLngString;

class GExceptionContext : public GFastAllocatable {
public:
    GExceptionContext() = default;
    virtual ~GExceptionContext() = default;
    GExceptionContext(const GExceptionContext&) = delete;
    GExceptionContext& operator=(const GExceptionContext&) = delete;

    virtual GLngString GetLngDescription() const = 0;
};
