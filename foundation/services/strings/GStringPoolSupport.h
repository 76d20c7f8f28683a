#pragma once
// GStringPoolSupport: the string pools' ties to files. It registers compiled-in texts, maps
// encoding names, records where the program's string files lie and reads them, lists the
// languages that have string files, picks the best of them for a list of locales, turns pool
// language codes into IETF tags, and writes the pool back out as string files.
//
// Callers may rely on:
// - Initialize installs the file reading into GStringPool (the core cannot reach files) and a
//   GLanguageInfoCache when none is installed; Finalize undoes both and forgets the recorded
//   default parameters.
// - String files are named: the prefix (any case), the version digits, anything holding the
//   language code, extension "lng" (any case); for example DUZdeDE.lng for the prefix "DUZ".
// - A string file that cannot be read is skipped and reported to the trace hook of
//   GStringPoolData; the other files are still read and the texts already in the pool stay.
//   (Start-up must survive a damaged or unreadable file.)
// - Written tables name the encoding the file is really in: a table is written in its own
//   encoding only when the reader knows that encoding's name and every text converts without
//   loss; all others (Shift-JIS, none, ASCII, PDFDoc, ...) are written as UTF-16 under
//   "UnicodeEncoding". A language that a header cannot carry as itself (empty, with blanks, or
//   one the reader renames, such as "English") is not written and is reported to the trace hook.
//   So every written file reads back with the same texts under the same language.
// - Main thread only for the recorded parameters.
#include <cstdint>

#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/text/GStringPoolData.h"
#include "services/paths/GPathName.h"

class GBuffer;
class GEncoding;

class GStringPoolSupport {
public:
    GStringPoolSupport() = delete;

    struct SortElement {
        GEncoding* encoding = nullptr;
        int32_t id = 0;
        GString text;
    };

    static void Initialize();
    static void Finalize();

    static void AddStringPoolData(GBuffer const& language, char const* encodingName, GStringPoolDataStruct const* rows,
                                  int count, bool hex);
    static GEncoding* GetEncoding(GBuffer const& name);

    // Records the default string-file parameters; reads nothing.
    static void ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion, int maxVersion,
                                int versionLength);
    // Parses the folder's string files of language (every language when empty); returns how
    // many were parsed.
    static int ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion, int maxVersion,
                               int versionLength, GString const& language);
    static void ReadDefaultStringFile(GString const& language);
    // With a file whose leaf starts with "wc" in the folder, reads every string file of the
    // prefix and of "WC" at once and records nothing; else records the parameters.
    static void ReadStringFilesAndWildCardFiles(GPathName const& folder, GString const& prefix, int minVersion,
                                                int maxVersion, int versionLength);
    static bool IsStringFile(GPathName const& path, GString const& prefix, int minVersion, int maxVersion,
                             int versionLength, GString const& language);
    static bool GetDefaultStringFileParams(GPathName& folder, GString& prefix, int& minVersion, int& maxVersion,
                                           int& versionLength);

    // One language per string file of the recorded folder, in the folder's order (a language
    // may come more than once); empty when no parameters were recorded.
    static void GetDefaultAvailableLanguages(GTable<GString>& out);
    static bool GetBestMatchingDefaultAvailableLanguageForLocales(GTable<GString> const& locales, GString& out);
    // "zhCN" zh-Hans, "zhTW" zh-Hant, "jaJA" ja-JP, else a "-" after the second character.
    static GString ToIETF(GString const& code);

    static void SetProductPrefix(GString const& prefix);
    // One file per language and encoding run: <product prefix>__StringFile_<language>_<n>.lng.
    static void WriteStringFiles(GPathName const& folder);
    // With the switch file present, writes every table into
    // <OutputFolder>/StringFiles/strings from run <runName> UTC_DDMMYYYY_HHMM_<pid>/; the
    // OutputFolder of the switch file's group "General", or, when it has none, the switch file's
    // own folder, which is then stored there. A GSimpleException is reported to the trace hook and
    // dropped; other exceptions pass.
    static void WriteStringFiles(GString const& runName);
    // The switch file KelvoraStringFiles.prefs next to the application (bundle); whether it exists.
    static bool NeedToWriteStringFiles(GPathName& out);
    // By encoding (a fixed order of the encoding objects), then by id.
    static bool CompareStringData(SortElement const& a, SortElement const& b);
};
