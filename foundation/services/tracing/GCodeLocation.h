#pragma once
// Where a trace entry was made: the source file, the function (may be null) and the line.
// GCODE_LOCATION gives the location of the code that names it.
#include <cstdint>

struct GCodeLocation {
    char const* fFileName;
    char const* fFunctionName;
    int32_t fLine;
};

#define GCODE_LOCATION (GCodeLocation{__FILE__, __func__, static_cast<int32_t>(__LINE__)})
