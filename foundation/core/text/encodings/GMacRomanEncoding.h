#pragma once
// GMacRomanEncoding: Mac OS Roman as PDF reads it: the glyphs of the Latin character set at their
// MacRomanEncoding codes. 0xCA is a second space (U+0020) and 0xDB the currency sign (U+00A4);
// the Mac characters outside the Latin set (0xAD, 0xB0, 0xF0, ...) have no value. The control
// codes 0x01 to 0x1F and 0x7F are themselves. The system encoding of the framework.
// A singleton (GetInstance/SetInstance, set up by the core layer at start-up).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GSimpleEncoding.h"

class GMacRomanEncoding : public GSimpleEncoding {
public:
    GMacRomanEncoding();
    ~GMacRomanEncoding() override;

    // The held singleton, without taking a reference; null before start-up and after shutdown.
    static GMacRomanEncoding* GetInstance() { return sInstance.Get(); }
    // Takes a reference on encoding (when not null) and releases the one held.
    static void SetInstance(GMacRomanEncoding* encoding) { sInstance = encoding; }

protected:
    void FillTables() override;

private:
    static GSharedObject<GMacRomanEncoding> sInstance;
};
