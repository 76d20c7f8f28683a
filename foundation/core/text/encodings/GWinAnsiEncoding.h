#pragma once
// GWinAnsiEncoding: Windows code page 1252 as PDF reads it. The unused codes from 0x21 up (0x7F, 0x81,
// 0x8D, 0x8F, 0x90, 0x9D) are bullets that decode to U+2022, while U+2022 and the name "bullet"
// give 0x95. 0xA0 is a second space and 0xAD a second hyphen (U+0020, U+002D); of the control
// codes only tab, line feed and carriage return have values.
// A singleton (GetInstance/SetInstance, set up by the core layer at start-up).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GSimpleEncoding.h"

class GWinAnsiEncoding : public GSimpleEncoding {
public:
    GWinAnsiEncoding();
    ~GWinAnsiEncoding() override;

    // The held singleton, without taking a reference; null before start-up and after shutdown.
    static GWinAnsiEncoding* GetInstance() { return sInstance.Get(); }
    // Takes a reference on encoding (when not null) and releases the one held.
    static void SetInstance(GWinAnsiEncoding* encoding) { sInstance = encoding; }

protected:
    void FillTables() override;

private:
    static GSharedObject<GWinAnsiEncoding> sInstance;
};
