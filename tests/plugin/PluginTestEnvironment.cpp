// Each test process of this binary has the foundation, a private shared-memory namespace (the
// tools layer starts the printer-processor hand-off) and one Qt core application, for the
// translators and Qt's own texts.
#include <QtCore/QCoreApplication>

#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "support/FoundationStartup.h"
#include "support/ShmTestEnvironment.h"

namespace {

class PluginTestEnvironment : public ShmTestEnvironment {
public:
    void SetUp() override {
        StartFoundation();
        GCCLTrovelCoreLayer::Initialize();
        ShmTestEnvironment::SetUp();
        static int argc = 1;
        static char name[] = "test_plugin";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
    }
};

}  // namespace

static ::testing::Environment* const kPluginEnvironment =
    ::testing::AddGlobalTestEnvironment(new PluginTestEnvironment);
