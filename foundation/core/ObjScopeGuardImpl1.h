#pragma once
// Calls a member function of an object with one argument when the scope ends, unless dismissed.
// The argument is kept by value. Anything the call throws is dropped.
//     ObjScopeGuardImpl1 guard(table, &Table::RemoveItem, item);

template <class Obj, class MemFn, class P>
class ObjScopeGuardImpl1 {
public:
    ObjScopeGuardImpl1(Obj& object, MemFn memFn, const P& param)
        : mDismissed(false), mObject(object), mMemFn(memFn), mParam(param) {}
    ObjScopeGuardImpl1(const ObjScopeGuardImpl1&) = delete;
    ObjScopeGuardImpl1& operator=(const ObjScopeGuardImpl1&) = delete;
    ~ObjScopeGuardImpl1() {
        if (mDismissed)
            return;
        try {
            (mObject.*mMemFn)(mParam);
        } catch (...) {
            // A destructor must not throw; the call was a clean-up the scope cannot act on.
        }
    }

    void Dismiss() noexcept { mDismissed = true; }

private:
    bool mDismissed;
    Obj& mObject;
    MemFn mMemFn;
    P mParam;
};
