#pragma once
// The stand-in program's record in the actor registry, named "PrinterProcessor <pid>", for as
// long as the object lives. The registry file follows the special paths of the environment.
#include "core/text/GString.h"

class GPPStandInActor {
public:
    // Throws when the registry cannot be written.
    GPPStandInActor();
    ~GPPStandInActor();
    GPPStandInActor(const GPPStandInActor&) = delete;
    GPPStandInActor& operator=(const GPPStandInActor&) = delete;

    const GString& GetName() const { return mName; }

private:
    GString mName;
};
