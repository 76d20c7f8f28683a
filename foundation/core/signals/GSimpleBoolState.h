#pragma once
// GSimpleBoolState: a subject holding one boolean value. Setting a different value notifies the
// observers; setting the same value does nothing. Like every subject it belongs to one thread.
#include "core/signals/GSubjectT.h"

class GSimpleBoolState : public GSubjectT<> {
public:
    explicit GSimpleBoolState(bool value = false) : mValue(value) {}

    virtual bool GetValue() const { return mValue; }
    virtual void SetValue(bool value) {
        if (value == mValue)
            return;
        mValue = value;
        Notify();
    }

private:
    bool mValue;
};
