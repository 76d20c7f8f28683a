#pragma once
// What the scope guards share: the dismissed flag, and the call at the end of the scope, whose
// exceptions are dropped so that the scope always ends normally. Not copyable.
class ObjScopeGuardImplBase {
public:
    ObjScopeGuardImplBase(const ObjScopeGuardImplBase&) = delete;
    ObjScopeGuardImplBase& operator=(const ObjScopeGuardImplBase&) = delete;

    void Dismiss() noexcept { mDismissed = true; }

protected:
    ObjScopeGuardImplBase() noexcept = default;
    ~ObjScopeGuardImplBase() = default;

    // For the guards' destructors: runs call unless the guard was dismissed.
    template <class Call>
    void RunUnlessDismissed(Call call) noexcept {
        if (mDismissed)
            return;
        try {
            call();
        } catch (...) {
            // A destructor must not throw; the call was a clean-up the scope cannot act on.
        }
    }

private:
    bool mDismissed = false;
};
