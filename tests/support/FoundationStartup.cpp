#include "support/FoundationStartup.h"

#include <mutex>

#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacExpertEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GStandardEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "mac/system/PSystem.h"

namespace {

template <class Encoding>
void EnsureSingleton() {
    if (Encoding::GetInstance() == nullptr)
        Encoding::SetInstance(new Encoding);
}

}  // namespace

void StartFoundation() {
    // Tests may finalize and rebuild the UTF-16 tables; Initialize keeps them when they are there.
    GUnicodeEncoding::Initialize();
    static std::once_flag once;
    std::call_once(once, [] {
        PSystem::Initialize();
        EnsureSingleton<GASCIIEncoding>();
        EnsureSingleton<GUnicodeEncoding>();
        EnsureSingleton<GUTF8Encoding>();
        // The single-byte encodings read the glyph list when they are built.
        EnsureSingleton<GMacRomanEncoding>();
        EnsureSingleton<GPDFDocEncoding>();
        EnsureSingleton<GMacExpertEncoding>();
        EnsureSingleton<GStandardEncoding>();
        EnsureSingleton<GWinAnsiEncoding>();
    });
}

void StartFoundationWithPlatformEncodings() {
    StartFoundation();
    if (GPlatformEncodingFactory::GetInstance() == nullptr)
        GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
}
