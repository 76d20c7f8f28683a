#pragma once
// GPDFDocEncoding: PDFDocEncoding, the encoding of PDF text strings: Latin-1 with the spacing accents at
// 0x18 to 0x1F, typographic characters at 0x80 to 0x9E and the euro sign at 0xA0. 0x87 is read
// as U+00F7 and 0x8A as U+002D, so those characters encode to 0x87 and 0x2D.
// A singleton (GetInstance/SetInstance, set up by the core layer at start-up).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GSimpleEncoding.h"

class GPDFDocEncoding : public GSimpleEncoding {
public:
    GPDFDocEncoding();
    ~GPDFDocEncoding() override;

    // The held singleton, without taking a reference; null before start-up and after shutdown.
    static GPDFDocEncoding* GetInstance() { return sInstance.Get(); }
    // Takes a reference on encoding (when not null) and releases the one held.
    static void SetInstance(GPDFDocEncoding* encoding) { sInstance = encoding; }

protected:
    void FillTables() override;

private:
    static GSharedObject<GPDFDocEncoding> sInstance;
};
