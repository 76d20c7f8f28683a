#pragma once
// Stands in for the running macOS version (Gestalt 'sys1'/'sys2', the process information's
// operating-system version). Files and peers expect the macOS numbers, so this system reports
// the macOS version it behaves as: TROVEL_MACOS_VERSION ("major.minor[.patch]") when set and well
// formed, else 11.0.0. Read afresh on every call.
class StandinSystemVersion {
public:
    struct Version {
        int major = 0;
        int minor = 0;
        int patch = 0;
    };

    static Version GetVersion();
    // "major.minor[.patch]" of decimal numbers, each at most 4 digits; false for anything else.
    static bool Parse(char const* text, Version& out);
};
