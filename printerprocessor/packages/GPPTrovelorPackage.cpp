#include "printerprocessor/packages/GPPTrovelorPackage.h"

#include <string.h>

#include "core/bytes/GBuffer.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GASCIIEncoding.h"

GPPTrovelorPackage::Password::Password() {
    GString const plain =
        GStringSupport::DeScramble(GString(cScrambledZipPassword, GASCIIEncoding::GetInstance()));
    GBuffer const bytes = plain.GetBuffer(GASCIIEncoding::GetInstance());
    mPlain.assign(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

GPPTrovelorPackage::Password::~Password() {
    explicit_bzero(mPlain.data(), mPlain.size());
}
