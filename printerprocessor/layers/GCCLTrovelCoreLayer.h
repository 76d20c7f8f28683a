#pragma once
// GCCLTrovelCoreLayer: the counted start and stop of the inter-process core: the foundation
// beneath it, the special shared-memory identifiers and the layer's texts.
//
// Callers may rely on:
// - Initialize and Finalize nest; the special identifiers exist between the first Initialize and
//   the matching last Finalize. A Finalize without an Initialize leaves the count at 0.
// - Initialize returns false when the foundation could not be started; that call is still
//   matched by one Finalize, and later calls report false until the count is back to 0.
// - Neither call throws. Main thread only, as the layers that call it.
#include <cstdint>

class GCCLTrovelCoreLayer {
public:
    GCCLTrovelCoreLayer() = delete;

    static bool Initialize();
    static void Finalize();

    // The nesting count (for diagnostics and tests).
    static int32_t GetInitCount();

private:
    static int32_t sInitialized;
};
