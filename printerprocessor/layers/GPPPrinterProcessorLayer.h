#pragma once
// The counted start and stop of everything the job hand-off needs: the foundation, the
// inter-process core layer and the IPC manager. Calls nest; the outermost pair does the work.
//
// Callers may rely on:
// - Initialize is true when the IPC manager is there to be used. A failed start undoes what it
//   had started and leaves the count where it was, so the next Initialize tries again.
// - Finalize never throws and never lowers the count below 0; a Finalize without a matching
//   Initialize does nothing.
// - Used from one thread (the main thread); the count is not locked.
#include "core/text/GStringPoolData.h"

class GPPPrinterProcessorLayer {
public:
    static bool Initialize();
    static void Finalize();
    static int GetInitializeCount() { return sInitialized; }

    GPPPrinterProcessorLayer() = delete;

private:
    static bool Start();
    static void Stop();

    static int sInitialized;
    static const GStringPoolDataStruct sStringPoolData[5];
};
