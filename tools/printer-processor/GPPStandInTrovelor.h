#pragma once
// The stand-in's Trovelor maker (--make-trovelor): reads the job-options file, writes the package
// with GPPTrovelorPackageWriter (the settings under "PluginSettings" in "Project/Project.prefs",
// then the job options under "PrinterFiles/") and registers its actor. The framework must be up.
#include <string>

#include "printer-processor/GPPStandInOptions.h"

class GPPStandInTrovelor {
public:
    GPPStandInTrovelor() = delete;

    // True with the package's path; false with why not. A new GUID when none is given.
    static bool Make(const GPPStandInOptions& options, std::string& package, std::string& error);
};
