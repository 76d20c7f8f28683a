#include "core/base/GExceptionLocation.h"

#include <memory>

#include "core/memory/GAllocator.h"
#include "core/text/GLngString.h"
#include "core/text/GString.h"

class GExceptionLocation::StringContext : public GExceptionContext {
public:
    explicit StringContext(const GString* context) : mContext(context) {}
    GLngString GetLngDescription() const override { return GLngString(*mContext); }

private:
    const GString* mContext;
};

class GExceptionLocation::StringIDContext : public GExceptionContext {
public:
    explicit StringIDContext(int stringID) : mStringID(stringID) {}
    GLngString GetLngDescription() const override { return GLngString(mStringID); }

private:
    int mStringID;
};

GThreadLocalTable<GExceptionContext*>& GExceptionLocation::ContextStack() {
    // Never destroyed: threads may still make exceptions while the program exits.
    static GThreadLocalTable<GExceptionContext*>* const stack = new GThreadLocalTable<GExceptionContext*>;
    return *stack;
}

GExceptionLocation::GExceptionLocation(const GString& context) { Push(std::make_unique<StringContext>(&context)); }

GExceptionLocation::GExceptionLocation(int stringID) { Push(std::make_unique<StringIDContext>(stringID)); }

void GExceptionLocation::Push(std::unique_ptr<GExceptionContext> record) {
    mThread = GThreadKey::Current();
    ContextStack().AddItem(record.get());
    mRecord = record.release();
}

GExceptionLocation::~GExceptionLocation() {
    try {
        // A record that cannot be taken out stays, and so does its memory: the stack refers to it.
        if (!ContextStack().RemoveItem(mThread, mRecord))
            return;
        delete mRecord;
    } catch (...) {
        // A destructor must not throw: the record is left behind.
    }
}

GLngString GExceptionLocation::GetLngDescription() {
    GLngString description;
    ContextStack().VisitLastItem([&description](GExceptionContext* record) {
        // The stacks' lock is held: running low-memory handling here could wait on a thread that
        // waits for this lock.
        GAllocator::FailFastScope failFast;
        description = record->GetLngDescription();
    });
    return description;
}
