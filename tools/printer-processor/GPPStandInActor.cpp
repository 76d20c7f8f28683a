#include "printer-processor/GPPStandInActor.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/paths/GPathName.h"

namespace {

GString FromUTF8(const std::string& text) { return GString(text.c_str(), GEncodingFallback::Get<GUTF8Encoding>()); }

std::string ExecutablePath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string("PrinterProcessor");
}

}  // namespace

GPPStandInActor::GPPStandInActor() : mName(FromUTF8("PrinterProcessor " + std::to_string(getpid()))) {
    GPPSettings settings;
    settings.ApplicationPath.SetNativePathString(FromUTF8(ExecutablePath()));
    settings.TrovelorName = FromUTF8("Stand-in");
    GPPActorRegistry().Register(mName, settings);
}

GPPStandInActor::~GPPStandInActor() {
    try {
        GPPActorRegistry().UnRegister(mName);
    } catch (...) {
        std::fprintf(stderr, "PrinterProcessor: could not remove its actor record\n");
    }
}
