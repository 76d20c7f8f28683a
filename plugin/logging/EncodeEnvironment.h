#pragma once

namespace Kelvora {

// Whether legacy (non-UTF-8) zip entry names are read as Shift-JIS rather than Mac Roman.
class EncodeEnvironment {
public:
    static bool runningInJapaneseEnvironment();
    static void setRunningInJapaneseEnvironment(bool japanese);
};

}  // namespace Kelvora
