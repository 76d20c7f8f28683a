#pragma once
// GIDCSPHelperMethods: what the document and book exports share: the export preferences from a
// Trovelor's job options and adjustments, the report of missing fonts, and the text of a failure.
//
// Callers may rely on:
// - ToExportPrefs loads the job options first; when they do not load, nothing else is changed.
//   A setting that is off never turns a preference off; the mark weight is always written.
// - GetMissingFontsInfo returns the number of missing fonts; the id and text describe them when
//   there are any. A document without font usage sets 30060013 and counts 0.
// - No host interface obtained here outlives the call.
#include "core/text/GString.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/documents/IDocument.h"
#include "hostsdk/documents/IDocumentFontUsage.h"
#include "plugin/saveas/GCPTSaveAsProperties.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "services/paths/GPathName.h"

class GIDCSPHelperMethods {
public:
    // The request's job-options path and plug-in settings, applied to the command's preferences.
    // False with `errorId` 30060008 (no preferences) or 30060009 (job options not loaded).
    // A negative bleed value is given as 0.
    static bool ToExportPrefs(GPathName const& jobOptions, GGPCPluginCSSettings const& settings,
                              InterfacePtr<IPDFExportPrefs> const& prefs, int& errorId);
    // The same with the request's job options and settings.
    static bool ToExportPrefs(GCPTSaveAsProperties const& request, InterfacePtr<IPDFExportPrefs> const& prefs,
                              int& errorId);
    static int GetMissingFontsInfo(IDocument* document, int& errorId, GString& text);
    // "\n" and one line "    N. name\n" per missing font; empty when none is missing.
    static void GetMissingFontListAsString(InterfacePtr<IDocumentFontUsage> const& usage, GString& text);
    // "Plug-in Error: %1" with the text of `messageId`, followed by `detail`, localised.
    static void ToLocaleString(int messageId, GString const& detail, GString& out);
};
