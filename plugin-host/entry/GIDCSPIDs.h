#pragma once
// The host IDs of the plug-in: its prefix, implementation, class and action IDs.
#include "hostsdk/base/HostTypes.h"

namespace GIDCSPIDs {
constexpr PluginID kPlugIn = 0x198C00;
constexpr ClassID kActionComponentClass = 0x198C00;
constexpr ClassID kStartupShutdownClass = 0x198C03;
constexpr ImplementationID kActionComponentImpl = 0x198C00;
constexpr ImplementationID kStartupShutdownImpl = 0x198C03;
constexpr ActionID kAboutAction = 0x198C00;
constexpr ActionID kDocumentAction = 0x198C04;
constexpr ActionID kBookAction = 0x198C06;
}  // namespace GIDCSPIDs
