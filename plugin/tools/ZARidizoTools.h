#pragma once
// ZARidizoTools: the plug-in's door to Trovelors, the actors of the shared registry that are
// offered to the plug-in. Static operations only; each opens the registry afresh and closes it
// before it returns.
//
// Callers may rely on:
// - An empty name, or one that matches no actor, yields false and leaves the output untouched.
// - The lookups by name find an actor whether or not it is offered to the plug-in.
// - Failures of the registry (its lock not taken, its file not saved) reach the caller as
//   framework exceptions. Main thread only.
#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GPPSettings;

class ZARidizoTools {
public:
    ZARidizoTools() = delete;

    // The names of the offered Trovelors, in registry order; true when there is at least one.
    static bool GetPluginTrovelors(GTable<GString>& names);
    // The display name of the Trovelor's PDF settings; its own name when it has none.
    static bool GetPDFSettingsName(GString const& name, GString& settingsName);
    // Withdraws the Trovelor from the plug-in; its record stays in the registry.
    static bool DeletePluginTrovelor(GString const& name);
    static bool GetGUID(GString const& name, GString& guid);

private:
    static bool GetActor(GString const& name, GPPSettings& settings);
};
