#include "support/FoundationStartup.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"

void StartFoundation() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (GBasicFrameworkCoreLayer::Initialize())
            return;
        std::fprintf(stderr, "The foundation did not start\n");
        std::abort();
    });
}

void StartFoundationWithPlatformEncodings() {
    StartFoundation();
    if (GPlatformEncodingFactory::GetInstance() == nullptr)
        GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
}

void StopFoundationInChild() {
    while (GBasicFrameworkCoreLayer::GetInitCount() != 0)
        GBasicFrameworkCoreLayer::Finalize();
}

FoundationStoppedScope::FoundationStoppedScope() : mStarts(GBasicFrameworkCoreLayer::GetInitCount()) {
    for (unsigned i = 0; i < mStarts; ++i)
        GBasicFrameworkCoreLayer::Finalize();
}

FoundationStoppedScope::~FoundationStoppedScope() {
    for (unsigned i = 0; i < mStarts; ++i) {
        if (!GBasicFrameworkCoreLayer::Initialize()) {
            std::fprintf(stderr, "The foundation did not start again\n");
            std::abort();
        }
    }
}
