// Each test process of this binary has the foundation, a user preference module (the default
// unit lives there) and one QApplication, offscreen unless the environment names a platform.
#include <gtest/gtest.h>

#include <QtWidgets/QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/FoundationStartup.h"

namespace {

class UiTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        StartFoundation();
        // Kept by the environment, not the store: a fixture that stands in its own module for a
        // test puts this one back afterwards.
        if (GPreferences::GetPrefModule(GPreferences::kUserLevel) == nullptr) {
            GPreferences::SetPrefModule(GPreferences::kUserLevel, &mUserModule, false);
            mInstalled = true;
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        // Qt wants a private runtime folder; without one it warns on every start.
        if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
            std::string const runtime = "/tmp/trovel-ui-runtime-" + std::to_string(geteuid());
            mkdir(runtime.c_str(), 0700);
            struct stat info;
            if (lstat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
                (info.st_mode & 077) == 0)
                setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }
    void TearDown() override {
        if (mInstalled)
            GPreferences::RemovePrefModule(GPreferences::kUserLevel);
    }

private:
    GPrefMemoryModule mUserModule;
    bool mInstalled = false;
};

}  // namespace

static ::testing::Environment* const kUiEnvironment = ::testing::AddGlobalTestEnvironment(new UiTestEnvironment);

// Fontconfig and D-Bus (which Qt's X11 platform reaches) keep blocks for the life of the process
// that are never handed back; they are the system libraries', not ours.
extern "C" char const* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
