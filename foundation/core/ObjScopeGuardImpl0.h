#pragma once
// Calls a member function of an object when the scope ends, unless dismissed. Anything the call
// throws is dropped, so the scope always ends normally.
//     ObjScopeGuardImpl0 guard(file, &File::Close);
//     ...
//     guard.Dismiss();

template <class Obj, class MemFn>
class ObjScopeGuardImpl0 {
public:
    ObjScopeGuardImpl0(Obj& object, MemFn memFn) noexcept : mDismissed(false), mObject(object), mMemFn(memFn) {}
    ObjScopeGuardImpl0(const ObjScopeGuardImpl0&) = delete;
    ObjScopeGuardImpl0& operator=(const ObjScopeGuardImpl0&) = delete;
    ~ObjScopeGuardImpl0() {
        if (mDismissed)
            return;
        try {
            (mObject.*mMemFn)();
        } catch (...) {
            // A destructor must not throw; the call was a clean-up the scope cannot act on.
        }
    }

    void Dismiss() noexcept { mDismissed = true; }

private:
    bool mDismissed;
    Obj& mObject;
    MemFn mMemFn;
};
