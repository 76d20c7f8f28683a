#include "core/text/encodings/GPlatformEncodingFactory.h"

GPlatformEncodingFactory* GPlatformEncodingFactory::sPlatformEncodingFactory = nullptr;

GPlatformEncodingFactory::~GPlatformEncodingFactory() = default;

void GPlatformEncodingFactory::SetInstance(GPlatformEncodingFactory* factory) {
    if (factory == sPlatformEncodingFactory)
        return;
    GPlatformEncodingFactory* old = sPlatformEncodingFactory;
    sPlatformEncodingFactory = factory;
    delete old;
}
