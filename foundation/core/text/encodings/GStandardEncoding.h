#pragma once
// GStandardEncoding: StandardEncoding, the built-in encoding of Type 1 fonts: 149 glyphs of the Latin
// character set, whose Unicode values come from the glyph list. Building one needs the glyph
// list (GUnicodeEncoding::Initialize).
// A singleton (GetInstance/SetInstance, set up by the core layer at start-up).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GSimpleEncoding.h"

class GStandardEncoding : public GSimpleEncoding {
public:
    GStandardEncoding();
    ~GStandardEncoding() override;

    // The held singleton, without taking a reference; null before start-up and after shutdown.
    static GStandardEncoding* GetInstance() { return sInstance.Get(); }
    // Takes a reference on encoding (when not null) and releases the one held.
    static void SetInstance(GStandardEncoding* encoding) { sInstance = encoding; }

protected:
    void FillTables() override;

private:
    static GSharedObject<GStandardEncoding> sInstance;
};
