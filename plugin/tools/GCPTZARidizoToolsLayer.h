#pragma once
// GCPTZARidizoToolsLayer: the counted start and stop of the plug-in's host-neutral tools: the
// foundation, the printer-processor hand-off, the clean-up of recorded temporary files, the
// language of the plug-in's texts (string files and Qt translations) and its message texts
// (ids 30060000 to 30060023, English).
//
// Callers may rely on:
// - Only the first Initialize and the Finalize that balances it do the work; calls must pair
//   (the count is not clamped).
// - While up, exactly one GCPTApplicationLocale exists (GetApplicationLocale) and the texts are
//   registered.
// - A hand-off that cannot start leaves the rest of the tools up; the hand-off then reports
//   failure on its own use. Main thread only.
#include "core/text/GStringPoolData.h"

class GCPTApplicationLocale;

class GCPTZARidizoToolsLayer {
public:
    GCPTZARidizoToolsLayer() = delete;

    static constexpr int kFirstStringID = 30060000;
    static constexpr int kStringCount = 24;

    static void Initialize();
    static void Finalize();
    static int GetInitCount() { return sInitCount; }
    static GCPTApplicationLocale* GetApplicationLocale();

    // The plug-in's English message texts, as registered.
    static GStringPoolDataStruct const* GetStringPoolData() { return sStringPoolData; }

private:
    static int sInitCount;
    static bool sPrinterProcessorStarted;
    static GStringPoolDataStruct const sStringPoolData[kStringCount];
};
