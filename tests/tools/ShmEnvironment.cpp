// Each test process of this binary works in its own shared-memory namespace, which the programs
// it starts inherit, and leaves nothing there.
#include "printerprocessor/sharedmemory/GShMemID.h"
#include "support/FoundationStartup.h"
#include "support/ShmTestEnvironment.h"

namespace {

class ToolsEnvironment : public ShmTestEnvironment {
public:
    void SetUp() override {
        StartFoundation();
        ShmTestEnvironment::SetUp();
    }
};

}  // namespace

static ::testing::Environment* const kShmEnvironment = ::testing::AddGlobalTestEnvironment(new ToolsEnvironment);
