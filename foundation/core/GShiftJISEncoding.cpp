#include "GShiftJISEncoding.h"

#include "GPlatformEncodingFactory.h"

GPlatformEncoding* GShiftJISEncoding::GetInstance() {
    GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
    return factory != nullptr ? factory->GetShiftJISEncoding() : nullptr;
}
