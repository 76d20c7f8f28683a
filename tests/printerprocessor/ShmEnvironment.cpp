// Each test process of this binary works in its own shared-memory namespace and leaves nothing;
// the special identifiers that queue and table names are made of are filled first, through the
// counted layer, so that a test's own start and stop of the hand-off layers leaves them to the
// tests after it.
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "support/FoundationStartup.h"
#include "support/ShmTestEnvironment.h"

namespace {

class PrinterProcessorEnvironment : public ShmTestEnvironment {
public:
    void SetUp() override {
        StartFoundation();
        GCCLTrovelCoreLayer::Initialize();
        ShmTestEnvironment::SetUp();
    }
};

}  // namespace

static ::testing::Environment* const kShmEnvironment =
    ::testing::AddGlobalTestEnvironment(new PrinterProcessorEnvironment);
