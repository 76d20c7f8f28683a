#pragma once
// A progress display: a value against a maximum and a text. The base keeps the numbers; a user
// interface overrides the three notifications to show them. -1 means "not set".
#include "core/text/GString.h"

class GProgressor {
public:
    GProgressor() = default;
    virtual ~GProgressor() = default;
    GProgressor(GProgressor const&) = delete;
    GProgressor& operator=(GProgressor const&) = delete;

    long long GetValue() const { return mValue; }
    long long GetMaximum() const { return mMaximum; }
    GString const& GetText() const { return mText; }

    // Only raises: a value not above the current one is ignored.
    void SetValue(long long value);
    // Stores the value whatever it is, and notifies.
    void ForceValue(long long value);
    void ResetValue();
    void SetToMaximum();
    void SetMaximum(long long maximum);
    void SetText(GString const& text);

protected:
    virtual void ValueChangedSelf() {}
    virtual void MaximumChangedSelf() {}
    virtual void SetTextSelf() {}

private:
    long long mValue = -1;
    long long mMaximum = -1;
    GString mText;
};
