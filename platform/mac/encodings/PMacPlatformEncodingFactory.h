#pragma once
// PMacPlatformEncodingFactory: the platform encoding factory of this system. It makes one
// PMacPlatformEncoding per CoreFoundation encoding number on first request and keeps it for its
// own life, so the same number always gives the same object. The platform encoding follows the
// system's code page: a change is seen on the next GetPlatformEncoding. Shift-JIS is Mac
// Japanese (number 1), simplified Chinese code page 936 (0x421).
// The getters lock the factory: text may be composed or decoded through the platform encoding on
// any thread. Installing and removing the factory stays with the main thread.
#include "core/base/GMutexBase.h"
#include "core/containers/GDict.h"
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"

class GPlatformEncoding;

class PMacPlatformEncodingFactory : public GPlatformEncodingFactory {
public:
    PMacPlatformEncodingFactory();
    ~PMacPlatformEncodingFactory() override;

    GPlatformEncoding* GetPlatformEncoding() override;
    GPlatformEncoding* GetShiftJISEncoding() override;
    GPlatformEncoding* GetPRCEncoding() override;

    // The factory's encoding for the number, made when first asked for.
    GPlatformEncoding* GetEncodingForCFStringEncoding(int encoding);

    static int GetCurrentCFStringEncoding();

private:
    GDict<int, GSharedObject<GPlatformEncoding> > mEncodings;
    GSharedObject<GPlatformEncoding> mShiftJISEncoding;
    GMutex mMutex;
};
