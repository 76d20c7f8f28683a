#include "mac/encodings/PMacPlatformEncodingFactory.h"

#include "core/base/GMutexLocker.h"
#include "mac/encodings/PMacPlatformEncoding.h"
#include "standin/StandinStringEncoding.h"

PMacPlatformEncodingFactory::PMacPlatformEncodingFactory() = default;

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

// Asked for each time: the system's code page may change while the factory lives.
GPlatformEncoding* PMacPlatformEncodingFactory::GetPlatformEncoding() {
    return GetEncodingForCFStringEncoding(GetCurrentCFStringEncoding());
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
