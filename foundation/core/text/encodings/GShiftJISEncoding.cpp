#include "core/text/encodings/GShiftJISEncoding.h"

#include "core/text/encodings/GPlatformEncodingFactory.h"

GPlatformEncoding* GShiftJISEncoding::GetInstance() {
    GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
    return factory != nullptr ? factory->GetShiftJISEncoding() : nullptr;
}
