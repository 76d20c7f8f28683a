#pragma once
// Calls a member function of an object with one argument when the scope ends, unless dismissed.
// The argument is kept by value. Anything the call throws is dropped.
//     ObjScopeGuardImpl1 guard(table, &Table::RemoveItem, item);
#include "core/base/ObjScopeGuardImplBase.h"

template <class Obj, class MemFn, class P>
class ObjScopeGuardImpl1 : public ObjScopeGuardImplBase {
public:
    ObjScopeGuardImpl1(Obj& object, MemFn memFn, const P& param) : mObject(object), mMemFn(memFn), mParam(param) {}
    ~ObjScopeGuardImpl1() {
        RunUnlessDismissed([this] { (mObject.*mMemFn)(mParam); });
    }

private:
    Obj& mObject;
    MemFn mMemFn;
    P mParam;
};
