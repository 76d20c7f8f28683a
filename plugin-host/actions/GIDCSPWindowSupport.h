#pragma once
// GIDCSPWindowSupport: the Qt layer's hooks towards the host. The modal-loop hooks hold the
// host's modal-dialog state while a Qt dialog runs its own loop; the main-window hook gives no
// host window, so Qt dialogs take the Qt layer's own parent.
//
// Callers may rely on:
// - StopModalLoop without a held state does nothing; StartModalLoop while one is held keeps the
//   held one (the host's state is not nested by us). Main thread only.
namespace GIDCSPWindowSupport {
void StartModalLoop(void* window);
void StopModalLoop(void* window);
void* GetMainWindowHandle();
// Whether a modal state of the host is held (for tests).
bool HoldsModalState();
}  // namespace GIDCSPWindowSupport
