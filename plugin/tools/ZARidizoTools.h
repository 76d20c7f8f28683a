#pragma once
// ZARidizoTools: the plug-in's door to Trovelors, the actors of the shared registry that are
// offered to the plug-in. Static operations only; each opens the registry afresh and closes it
// before it returns (a list of many Trovelors with their details: GetPluginTrovelors with
// PluginTrovelor, one read for all).
//
// Callers may rely on:
// - An empty name, or one that matches no actor, yields false and leaves the output untouched.
// - The lookups by name find an actor whether or not it is offered to the plug-in.
// - Failures of the registry (its lock not taken, its file not saved) reach the caller as
//   framework exceptions. Main thread only.
#include <memory>

#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GCPTSmartPathName;
class GPPSettings;
class GPrefModule;

class ZARidizoTools {
public:
    ZARidizoTools() = delete;

    // The names of the offered Trovelors, in registry order; true when there is at least one.
    static bool GetPluginTrovelors(GTable<GString>& names);
    // An offered Trovelor with what GetPDFSettingsName and GetGUID give for its name (an empty
    // settings name and no GUID when they give nothing).
    struct PluginTrovelor {
        GString name;
        GString pdfSettingsName;
        bool hasGUID = false;
        GString guid;
    };
    // The offered Trovelors as above, from one read of the registry, whatever their number.
    static bool GetPluginTrovelors(GTable<PluginTrovelor>& trovelors);
    // The display name of the Trovelor's PDF settings; its own name when it has none.
    static bool GetPDFSettingsName(GString const& name, GString& settingsName);
    // Withdraws the Trovelor from the plug-in; its record stays in the registry.
    static bool DeletePluginTrovelor(GString const& name);
    static bool GetGUID(GString const& name, GString& guid);

    // The user's folder for finished PDFs: "Output-<logon>" below the plug-in's private temporary
    // root, made 0700 when missing and checked (a folder of ours, not a link). False, out
    // untouched, when there is no logon name or the folder is not usable.
    static bool GetOutputPDFPath(GPathName& out);
    // A Trovelor's name (outside input) as one path component: no "/" or control characters,
    // never empty, "." or "..", at most 200 bytes of UTF-8 cut at a character boundary.
    static GString GetSafeFolderName(GString const& name);

    // Hands the finished file to every running printer-processor process as a job notice (the
    // user's logon name, port "10987", one copy, no printer id). The printer-processor layer must
    // be up. True when at least one process took it; false when there is no logon name.
    static bool NotifyPrinterProcessor(GString const& name, GPathName const& file);

    // The folder a package read extracted into, recorded as a temporary path: deleted when its
    // last holder lets it go (and, were the process to end first, at the plug-in's next start).
    using ExtractedFolder = std::shared_ptr<GCPTSmartPathName>;

    // Package readers. The package is opened with the package password (GPPTrovelorPackage).
    // Extracted files go to a new folder private to this process (0700, below the plug-in's
    // temporary root), given with the job options as their folder: the job options exist as long
    // as the caller holds it. A read that gave no job options leaves no folder. A printer file is
    // an entry that, as the zip reader extracts it, lies below the top-level folder
    // "PrinterFiles/" and is a regular file of at most Kelvora::ZipArchive::kMaxFileEntrySize
    // bytes; the project preferences count only when their entry was read completely (a wrong
    // password, a damaged entry or one above kMaxMemoryEntrySize is not a read). Why a read
    // failed goes to the log, never with the password.
    // By name: build number 0 first; for a known Trovelor, reads its package and takes its build
    // number (also when the read failed). True when the package was read.
    static bool GetProjectProperties(GString const& name, GPathName& jobOptions, GPrefModule& projectPrefs,
                                     int& buildNumber, ExtractedFolder& folder);
    // By package: true when both the job options and the project preferences were read. The job
    // options are the last printer file that extracted before the preferences were found (the
    // earlier ones are deleted), and are given even when the preferences are missing; readable
    // preferences are merged into projectPrefs even when no printer file extracted.
    static bool GetProjectProperties(GPathName const& package, GPathName& jobOptions, GPrefModule& projectPrefs,
                                     ExtractedFolder& folder);
    // The Trovelor's job-options file, extracted; true when one was extracted.
    static bool GetJobOptionsFile(GString const& name, GPathName& jobOptions, ExtractedFolder& folder);
    // The first printer file of the package that extracts; true when one did.
    static bool ExtractFileToTemp(GPathName const& package, GPathName& jobOptions, ExtractedFolder& folder);

private:
    static bool GetActor(GString const& name, GPPSettings& settings);
};
