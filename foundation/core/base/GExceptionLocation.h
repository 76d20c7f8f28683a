#pragma once
// GExceptionLocation: a scope object that tells the exceptions made on its thread what the thread
// is working on. Its constructor pushes a context record on the calling thread's stack and its
// destructor removes that record; an exception made meanwhile on that thread takes the description
// of the innermost record as its context. The string referred to must outlive the location, so a
// temporary is refused.
//
// Callers may rely on:
// - Each thread sees only its own records; the innermost (last pushed) record gives the context.
// - The destructor removes exactly the record its constructor pushed, from the thread that pushed
//   it, even when locations end out of order or on another thread; it never throws.
#include <memory>

#include "core/base/GExceptionContext.h"
#include "core/base/GThreadKey.h"
#include "core/containers/GThreadLocalTable.h"

class GLngString;
class GString;

class GExceptionLocation {
public:
    // The description is the string itself.
    explicit GExceptionLocation(const GString& context);
    GExceptionLocation(GString&& context) = delete;
    // The description is the text of the id.
    explicit GExceptionLocation(int stringID);
    ~GExceptionLocation();
    GExceptionLocation(const GExceptionLocation&) = delete;
    GExceptionLocation& operator=(const GExceptionLocation&) = delete;

    // The description of the calling thread's innermost record; empty when it has none. It is
    // taken under the stacks' lock, where an allocation failure throws GMemoryException at once.
    static GLngString GetLngDescription();

    // The records of every thread; for tests.
    static const GThreadLocalTable<GExceptionContext*>& GetContextStack() { return ContextStack(); }

private:
    class StringContext;
    class StringIDContext;

    static GThreadLocalTable<GExceptionContext*>& ContextStack();
    void Push(std::unique_ptr<GExceptionContext> record);

    GExceptionContext* mRecord = nullptr;
    GThreadKey mThread;
};
