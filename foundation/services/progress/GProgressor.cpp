#include "services/progress/GProgressor.h"

void GProgressor::SetValue(long long value) {
    if (mValue < value) {
        mValue = value;
        ValueChangedSelf();
    }
}

void GProgressor::ForceValue(long long value) {
    mValue = value;
    ValueChangedSelf();
}

void GProgressor::ResetValue() {
    mValue = -1;
    ValueChangedSelf();
}

void GProgressor::SetToMaximum() {
    if (mValue < mMaximum) {
        mValue = mMaximum;
        ValueChangedSelf();
    }
}

void GProgressor::SetMaximum(long long maximum) {
    if (maximum != mMaximum) {
        mMaximum = maximum;
        MaximumChangedSelf();
    }
}

void GProgressor::SetText(GString const& text) {
    if (!(text == mText)) {
        mText = text;
        SetTextSelf();
    }
}
