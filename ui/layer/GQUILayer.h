#pragma once
// GQUILayer: the Qt layer of the toolkit. For now it holds only the name of the UI settings file
// that the toolkit's support functions keep geometry and states in; the layer's start-up (the
// application object, hooks, widget wrapper, texts) joins it with the plug-in's UI layer.
//
// Callers may rely on:
// - GetPrefFileName gives the name set last, or "UIGeometrySettingsQt5.ini" in special path 36
//   (the plug-in's own folder) when none is set. Main thread only.
#include "services/paths/GPathName.h"

class GQUILayer {
public:
    GQUILayer() = delete;

    static void SetPrefFileName(GPathName const& path);
    static void GetPrefFileName(GPathName& out);
    static GPathName GetPrefFileName();

private:
    static GPathName sPrefFileName;
};
