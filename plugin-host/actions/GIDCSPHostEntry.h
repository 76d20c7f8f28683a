#pragma once
// GIDCSPHostEntry: runs the body of a call from the host so that no exception reaches the host:
// an exception is shown to the user (GIDCSPUILayerSteps::ShowError) and the call returns.
#include <exception>
#include <string>

#include "plugin-host/actions/GIDCSPUILayerSteps.h"

namespace GIDCSPHostEntry {

std::string DescribeCurrentException(char const* where) noexcept;

template <class Body>
void Run(char const* where, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        GIDCSPUILayerSteps::ShowError(DescribeCurrentException(where));
    }
}

}  // namespace GIDCSPHostEntry
