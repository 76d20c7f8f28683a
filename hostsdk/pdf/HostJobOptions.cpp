#include "hostsdk/pdf/HostJobOptions.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <locale>
#include <map>
#include <set>
#include <sstream>

namespace {

constexpr std::size_t kMaximumSize = 64 * 1024;

std::string Trimmed(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ReadFlag(const std::string& value, bool& flag) {
    if (value != "true" && value != "false")
        return false;
    flag = value == "true";
    return true;
}

bool ReadNumber(const std::string& value, double minimum, bool minimumAllowed, double maximum, double& number) {
    std::istringstream input(value);
    input.imbue(std::locale::classic());
    double read = 0;
    input >> read;
    if (!input || !input.eof() || !std::isfinite(read) || read > maximum || read < minimum ||
        (!minimumAllowed && read == minimum))
        return false;
    number = read;
    return true;
}

using Setter = std::function<bool(const std::string&, HostPdfSettings&)>;

Setter Flag(bool HostPdfSettings::*member) {
    return [member](const std::string& value, HostPdfSettings& settings) { return ReadFlag(value, settings.*member); };
}

Setter Bleed(double HostEdges::*side) {
    return [side](const std::string& value, HostPdfSettings& settings) {
        return ReadNumber(value, 0, true, 432, settings.bleed.*side);
    };
}

const std::map<std::string, Setter>& Keys() {
    static const std::map<std::string, Setter> fKeys = {
        {"useDocumentBleed", Flag(&HostPdfSettings::useDocumentBleed)},
        {"includeSlug", Flag(&HostPdfSettings::includeSlug)},
        {"spreads", Flag(&HostPdfSettings::spreads)},
        {"cropMarks", Flag(&HostPdfSettings::cropMarks)},
        {"bleedMarks", Flag(&HostPdfSettings::bleedMarks)},
        {"registrationMarks", Flag(&HostPdfSettings::registrationMarks)},
        {"colorBars", Flag(&HostPdfSettings::colorBars)},
        {"pageInformation", Flag(&HostPdfSettings::pageInformation)},
        {"bleedTop", Bleed(&HostEdges::top)},
        {"bleedBottom", Bleed(&HostEdges::bottom)},
        {"bleedInside", Bleed(&HostEdges::inside)},
        {"bleedOutside", Bleed(&HostEdges::outside)},
        {"marksOffset",
         [](const std::string& value, HostPdfSettings& settings) {
             return ReadNumber(value, 0, true, 72, settings.marksOffset);
         }},
        {"marksWeight",
         [](const std::string& value, HostPdfSettings& settings) {
             return ReadNumber(value, 0, false, 10, settings.marksWeight);
         }},
    };
    return fKeys;
}

// The shortest text that reads back as the same number: six digits would lose what a file gave.
std::string Number(double value) {
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

}  // namespace

bool HostJobOptions::Read(const std::string& file, HostPdfSettings& settings, std::string& error) {
    std::ifstream input(file, std::ios::binary);
    if (!input) {
        error = file + ": cannot be read";
        return false;
    }
    std::string text(kMaximumSize + 1, '\0');
    input.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(input.gcount()));
    if (input.bad()) {
        error = file + ": cannot be read";
        return false;
    }
    if (!Parse(text, settings, error)) {
        error = file + ": " + error;
        return false;
    }
    return true;
}

bool HostJobOptions::Parse(const std::string& text, HostPdfSettings& settings, std::string& error) {
    if (text.size() > kMaximumSize) {
        error = "larger than 64 KiB";
        return false;
    }
    std::string lines = text;
    for (char& c : lines)
        if (c == '\r')
            c = '\n';
    HostPdfSettings read;
    std::set<std::string> seen;
    std::istringstream input(lines);
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        const std::string::size_type equals = line.find('=');
        const std::string key = Trimmed(line.substr(0, equals));
        const auto setter = Keys().find(key);
        const std::string where = "line " + std::to_string(number) + ": ";
        if (equals == std::string::npos || setter == Keys().end()) {
            error = where + "not a known key and a value: " + line;
            return false;
        }
        if (!seen.insert(key).second) {
            error = where + key + " given twice";
            return false;
        }
        if (!setter->second(Trimmed(line.substr(equals + 1)), read)) {
            error = where + "the value of " + key + " is out of its range";
            return false;
        }
    }
    settings = read;
    return true;
}

std::string HostJobOptions::Format(const HostPdfSettings& settings) {
    const auto flag = [](bool value) { return value ? std::string("true") : std::string("false"); };
    return "useDocumentBleed = " + flag(settings.useDocumentBleed) + "\n" +
           "bleedTop = " + Number(settings.bleed.top) + "\n" + "bleedBottom = " + Number(settings.bleed.bottom) +
           "\n" + "bleedInside = " + Number(settings.bleed.inside) + "\n" +
           "bleedOutside = " + Number(settings.bleed.outside) + "\n" + "includeSlug = " + flag(settings.includeSlug) +
           "\n" + "spreads = " + flag(settings.spreads) + "\n" + "cropMarks = " + flag(settings.cropMarks) + "\n" +
           "bleedMarks = " + flag(settings.bleedMarks) + "\n" +
           "registrationMarks = " + flag(settings.registrationMarks) + "\n" +
           "colorBars = " + flag(settings.colorBars) + "\n" + "pageInformation = " + flag(settings.pageInformation) +
           "\n" + "marksOffset = " + Number(settings.marksOffset) + "\n" +
           "marksWeight = " + Number(settings.marksWeight) + "\n";
}
