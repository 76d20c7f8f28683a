#pragma once
// The command line of trovel-host:
//   trovel-host [options] BUNDLE
//     --document FILE   open a document from its sample file (repeatable; the last is in front)
//     --book FILE       open a book from its sample file (repeatable; the last is current)
//     --run ID          run an action (repeatable, in order); ID in decimal or 0x-hexadecimal
//     --unit ID         the measurement-unit preference's unit class (default 0x1201, points)
//     --fail NAME[#N]   make the host call NAME fail, every time or only its Nth time (repeatable)
//     --script FILE     the choices that drive the plug-in's dialogs, one per line
//     --save-folder DIR where untitled documents are saved (without it, saving one fails)
//     --pace MS         milliseconds between two script steps (default 10; 0 to 60000), so that
//                       someone watching the dialogs on screen can follow them
//     --calls           print every call made to the host as it happens
//     --help            print this text
#include <cstdint>
#include <string>
#include <vector>

struct HostOptions {
    std::string bundle;
    std::vector<std::string> documents;
    std::vector<std::string> books;
    std::vector<std::uint32_t> runs;
    std::uint32_t unit = 0x1201;
    std::vector<std::string> faults;
    std::string script;
    std::string saveFolder;
    int paceMs = 10;
    bool calls = false;
    bool help = false;

    // False with `error` set for a command line that cannot be run.
    static bool Parse(int argc, const char* const* argv, HostOptions& options, std::string& error);
    static const char* Usage();
};
