// Each test process of this binary works in its own shared-memory namespace and leaves nothing.
#include "support/ShmTestEnvironment.h"

static ::testing::Environment* const kShmEnvironment = ::testing::AddGlobalTestEnvironment(new ShmTestEnvironment);
