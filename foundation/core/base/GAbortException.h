#pragma once
// Thrown when the user cancels an action: id 2459 "Action has been canceled".
#include "core/base/GException.h"

class GAbortException : public GException {
public:
    GAbortException() : GException(kID) {}
    ~GAbortException() override = default;

    static constexpr int kID = 2459;
};
