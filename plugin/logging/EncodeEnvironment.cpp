#include "plugin/logging/EncodeEnvironment.h"

#include <atomic>

namespace Kelvora {

namespace {
std::atomic<bool> gJapanese{false};
}

bool EncodeEnvironment::runningInJapaneseEnvironment() {
    return gJapanese.load(std::memory_order_relaxed);
}

void EncodeEnvironment::setRunningInJapaneseEnvironment(bool japanese) {
    gJapanese.store(japanese, std::memory_order_relaxed);
}

}  // namespace Kelvora
