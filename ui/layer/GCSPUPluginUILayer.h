#pragma once
// GCSPUPluginUILayer: the plug-in's counted UI start and stop: Qt's library folder, the Qt layer,
// the plug-in tools layer and the plug-in's user-message instance.
//
// Callers may rely on:
// - Only the first Initialize and the Finalize that brings the count from 1 to 0 do the work;
//   a Finalize without an Initialize does nothing.
// - Main thread only.
class GCSPUPluginUILayer {
public:
    GCSPUPluginUILayer() = delete;

    static void Initialize();
    static void Finalize();
    static int GetInitCount() { return sInitCount; }

private:
    static int sInitCount;
};
