#pragma once
// GIDCSPWindowSupport: the Qt layer's hooks towards the host. The modal-loop hooks hold the
// host's modal-dialog state while a Qt dialog runs its own loop; the main-window hook gives no
// host window, so Qt dialogs take the Qt layer's own parent.
//
// Callers may rely on:
// - Each StartModalLoop holds one host state, each StopModalLoop releases the newest one held;
//   a StopModalLoop with none held does nothing. Main thread only.
namespace GIDCSPWindowSupport {
void StartModalLoop(void* window);
void StopModalLoop(void* window);
void* GetMainWindowHandle();
// Whether a modal state of the host is held (for tests).
bool HoldsModalState();
}  // namespace GIDCSPWindowSupport
