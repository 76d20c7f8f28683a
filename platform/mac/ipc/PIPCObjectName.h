#pragma once
// POSIX names of the shared-memory objects: "/" followed by the ID. When TROVEL_SHM_PREFIX is set
// its text goes right after the "/", so that tests and demos work in a private namespace and never
// touch a real installation's objects. The prefix does not count against the ID length limits.
#include "core/bytes/GBuffer.h"

class PIPCObjectName {
public:
    // "/" + prefix + id. Throws 40162
    // when the prefix holds anything but A-Z, a-z, 0-9 and "_" or is longer than 64 bytes.
    static GBuffer Make(GBuffer const& id);
    // The validated prefix, empty when the variable is unset or empty.
    static GBuffer GetPrefix();
    // The name as a C string (a buffer's bytes are always followed by a zero).
    static char const* CString(GBuffer const& name);
};
