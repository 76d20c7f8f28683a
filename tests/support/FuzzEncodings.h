#pragma once
// The eleven encodings the encoding fuzz targets choose from by an input byte (modulo 11), made
// once for the whole run in the order of the core layer's start-up: ASCII, UTF-16, UTF-8,
// MacRoman, WinAnsi, PDFDoc, Standard, MacExpert, the platform encoding, Shift-JIS and the
// simplified Chinese one.
#include <vector>

#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GMacExpertEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GStandardEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "support/FoundationStartup.h"

inline std::vector<GEncoding const*> const& FuzzEncodings() {
    static std::vector<GEncoding const*> const encodings = [] {
        StartFoundationWithPlatformEncodings();
        GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
        return std::vector<GEncoding const*>{
            GASCIIEncoding::GetInstance(),     GUnicodeEncoding::GetInstance(), GUTF8Encoding::GetInstance(),
            GMacRomanEncoding::GetInstance(),  GWinAnsiEncoding::GetInstance(), GPDFDocEncoding::GetInstance(),
            GStandardEncoding::GetInstance(),  GMacExpertEncoding::GetInstance(), factory->GetPlatformEncoding(),
            factory->GetShiftJISEncoding(),    factory->GetPRCEncoding()};
    }();
    return encodings;
}
