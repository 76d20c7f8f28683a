#include "plugin-host/actions/GIDCSPHostEntry.h"

#include <stdexcept>

namespace GIDCSPHostEntry {

std::string DescribeCurrentException(char const* where) noexcept {
    try {
        std::string text = std::string("Trovel: ") + where + " failed";
        try {
            throw;
        } catch (std::exception const& e) {
            text += ": ";
            text += e.what();
        } catch (...) {
        }
        return text;
    } catch (...) {
        return {};
    }
}

}  // namespace GIDCSPHostEntry
