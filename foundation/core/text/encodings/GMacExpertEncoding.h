#pragma once
// GMacExpertEncoding: MacExpertEncoding: the expert set of Type 1 fonts (small capitals, old-style figures,
// fractions, ligatures). Its values come from the glyph list; 115 of its 165 glyphs have only
// private-use values there, which they decode to and encode from. Building one needs the glyph
// list (GUnicodeEncoding::Initialize).
// A singleton (GetInstance/SetInstance, set up by the core layer at start-up).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GSimpleEncoding.h"

class GMacExpertEncoding : public GSimpleEncoding {
public:
    GMacExpertEncoding();
    ~GMacExpertEncoding() override;

    // The held singleton, without taking a reference; null before start-up and after shutdown.
    static GMacExpertEncoding* GetInstance() { return sInstance.Get(); }
    // Takes a reference on encoding (when not null) and releases the one held.
    static void SetInstance(GMacExpertEncoding* encoding) { sInstance = encoding; }

protected:
    void FillTables() override;

private:
    static GSharedObject<GMacExpertEncoding> sInstance;
};
