// Each test process of this binary has the foundation, a user preference module (the default
// unit lives there) and one QApplication, offscreen unless the environment names a platform.
#include <gtest/gtest.h>

#include <QtWidgets/QApplication>

#include <cstdlib>

#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/FoundationStartup.h"

namespace {

class UiTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        StartFoundation();
        if (GPreferences::GetPrefModule(GPreferences::kUserLevel) == nullptr)
            GPreferences::SetPrefModule(GPreferences::kUserLevel, new GPrefMemoryModule, true);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
};

}  // namespace

static ::testing::Environment* const kUiEnvironment = ::testing::AddGlobalTestEnvironment(new UiTestEnvironment);
