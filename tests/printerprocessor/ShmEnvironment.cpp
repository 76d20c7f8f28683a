// Each test process of this binary works in its own shared-memory namespace and leaves nothing;
// the special identifiers that queue and table names are made of are filled first.
#include "printerprocessor/sharedmemory/GShMemID.h"
#include "support/FoundationStartup.h"
#include "support/ShmTestEnvironment.h"

namespace {

class PrinterProcessorEnvironment : public ShmTestEnvironment {
public:
    void SetUp() override {
        StartFoundation();
        GShMemID::Initialize();
        ShmTestEnvironment::SetUp();
    }
};

}  // namespace

static ::testing::Environment* const kShmEnvironment =
    ::testing::AddGlobalTestEnvironment(new PrinterProcessorEnvironment);
