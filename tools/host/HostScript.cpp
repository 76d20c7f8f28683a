#include "host/HostScript.h"

#include <cctype>
#include <fstream>

namespace {

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; }

std::string Trimmed(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool HostScript::Read(const std::string& file, std::string& error) {
    std::ifstream input(file);
    if (!input) {
        error = "script " + file + ": cannot be read";
        return false;
    }
    std::vector<Step> steps;
    std::string text;
    for (int line = 1; std::getline(input, text); ++line) {
        text = Trimmed(text);
        if (text.empty() || text[0] == '#')
            continue;
        std::string::size_type end = 0;
        while (end < text.size() && IsWordCharacter(text[end]))
            ++end;
        if (end == 0 || (end < text.size() && text[end] != ' ' && text[end] != '\t')) {
            error = "script " + file + " line " + std::to_string(line) + ": not a word and a value: " + text;
            return false;
        }
        steps.push_back({line, text.substr(0, end), Trimmed(text.substr(end))});
    }
    if (input.bad()) {
        error = "script " + file + ": cannot be read";
        return false;
    }
    mSteps = steps;
    return true;
}
