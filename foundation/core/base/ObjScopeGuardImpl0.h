#pragma once
// Calls a member function of an object when the scope ends, unless dismissed. Anything the call
// throws is dropped, so the scope always ends normally.
//     ObjScopeGuardImpl0 guard(file, &File::Close);
//     ...
//     guard.Dismiss();
#include "core/base/ObjScopeGuardImplBase.h"

template <class Obj, class MemFn>
class ObjScopeGuardImpl0 : public ObjScopeGuardImplBase {
public:
    ObjScopeGuardImpl0(Obj& object, MemFn memFn) noexcept : mObject(object), mMemFn(memFn) {}
    ~ObjScopeGuardImpl0() {
        RunUnlessDismissed([this] { (mObject.*mMemFn)(); });
    }

private:
    Obj& mObject;
    MemFn mMemFn;
};
