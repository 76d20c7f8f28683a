#include "PMacPlatformEncodingFactory.h"

#include "GMutexLocker.h"
#include "PMacPlatformEncoding.h"
#include "StandinStringEncoding.h"

PMacPlatformEncodingFactory::PMacPlatformEncodingFactory() : mSystemEncodingNumber(-1) {}

PMacPlatformEncodingFactory::~PMacPlatformEncodingFactory() = default;

int PMacPlatformEncodingFactory::GetCurrentCFStringEncoding() { return StandinStringEncoding::GetSystemEncoding(); }

GPlatformEncoding* PMacPlatformEncodingFactory::GetEncodingForCFStringEncoding(int encoding) {
    GMutexLocker lock(mMutex);
    int slot = 0;
    if (mEncodings.GetExistingIndex(encoding, slot))
        return mEncodings.GetValueAt(slot).Get();
    GSharedObject<GPlatformEncoding> made(new PMacPlatformEncoding(encoding));
    mEncodings.Put(encoding, made);
    return made.Get();
}

GPlatformEncoding* PMacPlatformEncodingFactory::GetPlatformEncoding() {
    const int current = GetCurrentCFStringEncoding();
    GMutexLocker lock(mMutex);
    if (current != mSystemEncodingNumber) {
        mSystemEncoding = GetEncodingForCFStringEncoding(current);
        mSystemEncodingNumber = current;
    }
    return mSystemEncoding.Get();
}

GPlatformEncoding* PMacPlatformEncodingFactory::GetShiftJISEncoding() {
    GMutexLocker lock(mMutex);
    if (!mShiftJISEncoding)
        mShiftJISEncoding = GetEncodingForCFStringEncoding(StandinStringEncoding::kMacJapanese);
    return mShiftJISEncoding.Get();
}

GPlatformEncoding* PMacPlatformEncodingFactory::GetPRCEncoding() {
    return GetEncodingForCFStringEncoding(StandinStringEncoding::kDOSChineseSimplified);
}
