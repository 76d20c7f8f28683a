#pragma once
// Facts about the platform that the foundation asks for: path separators, line ends, sleeping,
// the user's languages, the machine's Ethernet addresses, the host's bundle identifier and the
// conversions between the colon form of a path and its POSIX form. Static only; nothing here
// throws of its own.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/bytes/GByteOrder.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"

class PSystem {
public:
    // Fills the path-separator table and installs the platform's rules into the core: the line
    // end, the localised comparison, the Ethernet addresses for unique IDs. Always true.
    static bool Initialize();
    // Removes the comparison and the Ethernet addresses again.
    static void Finalize();

    // The separators of the colon form, in order: volume ":", extension ".", path ":"; empty
    // before Initialize, when the three getters return 0.
    static std::string GetPathSeparators();
    static char16_t GetVolumeSeparator();
    static char16_t GetExtensionSeparator();
    static char16_t GetPathSeparator();
    // 1 for the path separator ":", 0 for every other character ("/" among them).
    static int IsPathSeparator(uint16_t c);

    // Every line end the framework writes starts with a CR.
    static bool GetLineEndingNeedsCR() { return true; }
    // No line end the framework writes ends with an LF: the line end is CR alone.
    static bool GetLineEndingNeedsLF() { return false; }
    // 1 on a big-endian machine, 0 on a little-endian one.
    static int GetMachineByteOrder() { return cBigEndianMachine ? 1 : 0; }

    // Suspends the calling thread; 0 or less returns at once.
    static void MilliSleep(int milliseconds);
    static void Sleep(int seconds);

    static int GetPlatformCode() { return 0; }
    static void GetLineEndingConventions(bool& needsCR, bool& needsLF) {
        needsCR = GetLineEndingNeedsCR();
        needsLF = GetLineEndingNeedsLF();
    }

    // The number that names the macOS version the system behaves as: 10.2..10.15 give
    // 6003..6016, 10.16 and 11.0 give 7001, other 10.x 6000, other 11.x 7000. Later versions have
    // no code: 0, not remembered, so the next call asks again.
    static int GetOSCode();
    static int GetOSCodeFor(int major, int minor);

    // The login name of the real user, as UTF-8; false when the user has no entry.
    static bool GetLogonName(GString& name);
    // The user's full name (the first field of the account's comment); false when it is empty.
    static bool GetDisplayName(GString& name);
    // The machine's host name; false only when it cannot be read.
    static bool GetNetworkName(GString& name);
    // The first of the user's languages, unchanged; empty when there is none.
    static void GetUserLanguage(GString& language);
    static int GetNumberOfProcessors();
    // The processor's model name; empty when the system does not tell.
    static GString GetProcessorName();

    // The first supported code whose first two bytes equal the first two characters of one of
    // the user's languages (lower-cased; languages shorter than two are skipped), trying the
    // languages in the user's order; "enUS" when none fits.
    static std::string GetPreferredLanguageCode(const std::vector<std::string>& supported);
    static void GetPreferredLanguage(const GTable<GBuffer>& supported, GBuffer& out);

    // True when the user's first language is Japanese (begins with "ja", any case).
    static bool IsJapaneseUIEnabled();

    // The 6-byte hardware address of each Ethernet interface with hardware behind it (a card or
    // adapter; bridges and other virtual interfaces do not count); empty when there is none.
    static std::vector<std::array<unsigned char, 6>> GetEtherAddresses();
    // Empties the table, then adds one 6-byte buffer per address; true when there is one.
    static bool GetEtherAddress(GTable<GBuffer>& out);
    // The same addresses as "xx:xx:xx:xx:xx:xxN", lower-case; true when there is one.
    static bool GetEtherAddress(GTable<GString>& out);

    // The bundle identifier that the host set; empty unless one was set.
    static std::string GetASCIIBundleIdentifierString();
    static void GetASCIIBundleIdentifier(GBuffer& out);
    static void SetASCIIBundleIdentifier(const GBuffer& identifier);

    // The bundle of an identifier: the folder of the loaded bundle that bears it (the main
    // bundle, or the program's folder, for an empty one), raised to the package around it, else
    // to the framework around it. The folder stands for the platform's bundle object; empty when
    // no loaded bundle bears the identifier. Exceptions of the file system pass on.
    static GString GetBundleFromID(const GBuffer& identifier);

    // The POSIX form of a colon-form path ("Volume:folder:file", a relative one beginning with
    // ":", "::" going up a folder, "/" inside a name written as ":" in POSIX) and back; the
    // volume is its mount folder on one side and its display name on the other. Empty for an
    // empty path and for a result of 1024 bytes or more in UTF-8, which the platform's buffer
    // would not hold.
    static GString GetPosixFromMacPath(const GString& colonPath);
    static GString GetMacFromPosixPath(const GString& posixPath);

    // Always false: this system has no authorization service that would run a tool with
    // administrator rights after asking the user, and nothing in it runs one. The tool is given
    // by its native path, since path names are a layer above this one.
    static bool TryToRunAsRoot(const GString& tool, const GTable<GString>& arguments, const GString& prompt);
};
