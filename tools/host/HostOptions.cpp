#include "host/HostOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool ParseID(const std::string& text, std::uint32_t& id) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (errno != 0 || value > 0xFFFFFFFFull)
        return false;
    id = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

const char* HostOptions::Usage() {
    return "usage: trovel-host [options] BUNDLE\n"
           "  --document FILE   open a document from its sample file (the last one is in front)\n"
           "  --book FILE       open a book from its sample file (the last one is current)\n"
           "  --run ID          run an action (decimal or 0x-hexadecimal ID), in order\n"
           "  --unit ID         the unit class of the measurement-unit preference (default 0x1201)\n"
           "  --fail NAME[#N]   make the host call NAME fail, always or only its Nth time\n"
           "  --script FILE     the choices that drive the plug-in's dialogs\n"
           "  --save-folder DIR where untitled documents are saved (none: saving one fails)\n"
           "  --pace MS         milliseconds between two script steps (default 10)\n"
           "  --calls           print every call made to the host\n"
           "  --help            print this text\n";
}

bool HostOptions::Parse(int argc, const char* const* argv, HostOptions& options, std::string& error) {
    HostOptions parsed;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            parsed.help = true;
            continue;
        }
        if (option == "--calls") {
            parsed.calls = true;
            continue;
        }
        if (option.rfind("--", 0) != 0) {
            if (!parsed.bundle.empty()) {
                error = "one bundle only: " + option;
                return false;
            }
            parsed.bundle = option;
            continue;
        }
        const bool known = option == "--document" || option == "--book" || option == "--script" || option == "--run" ||
                           option == "--unit" || option == "--fail" || option == "--save-folder" ||
                           option == "--pace";
        if (!known) {
            error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= argc) {
            error = option + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        std::uint32_t id = 0;
        if (option == "--document") {
            parsed.documents.push_back(value);
        } else if (option == "--book") {
            parsed.books.push_back(value);
        } else if (option == "--script") {
            parsed.script = value;
        } else if (option == "--save-folder") {
            parsed.saveFolder = value;
        } else if (option == "--pace") {
            if (!ParseID(value, id) || value.find_first_not_of("0123456789") != std::string::npos || id > 60000) {
                error = "--pace: not a number of milliseconds from 0 to 60000: " + value;
                return false;
            }
            parsed.paceMs = static_cast<int>(id);
        } else if (option == "--run" || option == "--unit") {
            if (!ParseID(value, id)) {
                error = option + ": not an ID: " + value;
                return false;
            }
            if (option == "--run")
                parsed.runs.push_back(id);
            else
                parsed.unit = id;
        } else {
            parsed.faults.push_back(value);
        }
    }
    if (parsed.bundle.empty() && !parsed.help) {
        error = "no bundle given";
        return false;
    }
    options = parsed;
    return true;
}
