#pragma once
// The framework exception id a call throws, 0 when it throws none.
#include "core/base/GException.h"

template <class Call>
int ThrownID(Call const& call) {
    try {
        call();
    } catch (GException const& e) {
        return e.GetExceptionID();
    }
    return 0;
}
