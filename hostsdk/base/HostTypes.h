#pragma once
// The plain types of the host SDK. Host IDs (interfaces, classes, implementations, actions,
// plug-ins) are 32-bit numbers passed as the host receives them.
#include <cstdint>

using PMIID = std::uint32_t;
using ClassID = std::uint32_t;
using ImplementationID = std::uint32_t;
using ActionID = std::uint32_t;
using PluginID = std::uint32_t;
using UID = std::uint32_t;
using VirtualKey = std::uint32_t;
using PMReal = double;
// The host's 16-bit boolean.
using bool16 = std::int16_t;

// 0 is success; any other value is a failure.
using ErrorCode = std::int32_t;
constexpr ErrorCode kSuccess = 0;
constexpr ErrorCode kFailure = 1;

struct SysPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
