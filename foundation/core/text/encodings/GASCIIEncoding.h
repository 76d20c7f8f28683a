#pragma once
// GASCIIEncoding: 7-bit text. Bytes 0x07 to 0x7F are themselves in UTF-16; every other byte
// (0x00 to 0x06 and the upper half) has no character and decodes to the default character.
// A singleton (GetInstance/SetInstance, set up by the core layer at start-up).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GEncoding.h"

class GASCIIEncoding : public GEncoding {
public:
    GASCIIEncoding();
    ~GASCIIEncoding() override;

    using GEncoding::ConvertTo;
    int32_t ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const override;
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const override;
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;

    // The held singleton, without taking a reference; null before start-up and after shutdown.
    static GASCIIEncoding* GetInstance() { return sInstance.Get(); }
    // Takes a reference on encoding (when not null) and releases the one held.
    static void SetInstance(GASCIIEncoding* encoding) { sInstance = encoding; }

private:
    static GSharedObject<GASCIIEncoding> sInstance;
};
