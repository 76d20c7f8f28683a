#pragma once
// GIDCSPUILayerSteps: the plug-in's UI layer as seen by the action component: its start and
// stop, the Qt layer's hooks, and where a user is told of an error: the plug-in's user-message
// instance while the UI layer runs, the host's alert otherwise.
//
// Callers may rely on:
// - Start and Stop pair as the UI layer's Initialize and Finalize; ShowError never throws.
#include <string>

namespace GIDCSPUILayerSteps {
void Start();
void Stop();
void InstallLoopHooks();
void InstallMainWindowHook();
void ShowError(std::string const& text) noexcept;
}  // namespace GIDCSPUILayerSteps
