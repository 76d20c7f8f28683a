#include "services/framework/PMacXBasicFrameworkCoreLayer.h"

#include <sys/resource.h>

#include <cstdio>

#include "core/support/GBufferSupport.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/values/GProcessInfo.h"
#include "core/values/GSystemInfo.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "mac/system/PMacXProcessInfo.h"
#include "mac/system/PSystem.h"
#include "services/system/PMacXSystemInfo.h"

uint32_t PMacXBasicFrameworkCoreLayer::sInitialized = 0;
uint32_t PMacXBasicFrameworkCoreLayer::sMaxFilesOpenForThisProcess = 0;

namespace {

// The kernel's ceiling for one process's descriptors; 0 when it cannot be read.
rlim_t ReadNrOpen() {
    std::FILE* file = std::fopen("/proc/sys/fs/nr_open", "re");
    if (file == nullptr)
        return 0;
    unsigned long long value = 0;
    const bool read = std::fscanf(file, "%llu", &value) == 1;
    std::fclose(file);
    return read ? static_cast<rlim_t>(value) : 0;
}

}  // namespace

bool PMacXBasicFrameworkCoreLayer::Initialize() {
    if (sInitialized++ != 0)
        return true;
    InitializeSingletons();
    GBufferSupport::SetLineEnding(PSystem::GetLineEndingNeedsCR(), PSystem::GetLineEndingNeedsLF());
    SetMaxOpenFilesForOurProcess();
    return true;
}

void PMacXBasicFrameworkCoreLayer::Finalize() {
    if (sInitialized == 0)
        return;
    if (--sInitialized == 0)
        FinalizeSingletons();
}

void PMacXBasicFrameworkCoreLayer::InitializeSingletons() {
    GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    GProcessInfo::SetInstance(new PMacXProcessInfo);
    GSystemInfo::SetInstance(new PMacXSystemInfo);
}

void PMacXBasicFrameworkCoreLayer::FinalizeSingletons() {
    GSystemInfo::SetInstance(nullptr);
    GPlatformEncodingFactory::SetInstance(nullptr);
    GProcessInfo::SetInstance(nullptr);
}

void PMacXBasicFrameworkCoreLayer::SetMaxOpenFilesForOurProcess() {
    sMaxFilesOpenForThisProcess = 0;
    rlimit limits{};
    if (getrlimit(RLIMIT_NOFILE, &limits) != 0)
        return;
    rlim_t maximum = limits.rlim_max;
    if (maximum == RLIM_INFINITY)
        maximum = ReadNrOpen();
    // The count is kept in 32 bits; a ceiling beyond that cannot be recorded truthfully.
    if (maximum == 0 || maximum > UINT32_MAX)
        return;
    limits.rlim_cur = maximum;
    if (setrlimit(RLIMIT_NOFILE, &limits) != 0)
        return;
    sMaxFilesOpenForThisProcess = static_cast<uint32_t>(maximum);
}
