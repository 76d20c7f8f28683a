#pragma once
// A private sandbox for a test or benchmark that starts programs of ours: its own HOME,
// XDG_CONFIG_HOME, XDG_DATA_HOME and TMPDIR in a temporary folder (set until it goes), and an
// "out" folder for job files and outputs. The shared-memory prefix is the caller's affair.
// The special paths this process derives from those variables, which it keeps once found, are
// forgotten when the sandbox comes and when it goes, so they follow the sandbox in between.
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "services/filesystem/GFileSystem.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

class PrivateSandbox {
public:
    PrivateSandbox() {
        for (const char* folder : {"home", "config", "data", "tmp", "out"})
            mkdir((mRoot / folder).c_str(), 0700);
        mEnvironment.Set("HOME", mRoot / "home");
        mEnvironment.Set("XDG_CONFIG_HOME", mRoot / "config");
        mEnvironment.Set("XDG_DATA_HOME", mRoot / "data");
        mEnvironment.Set("TMPDIR", mRoot / "tmp");
        ForgetDerivedPaths();
    }
    ~PrivateSandbox() {
        ForgetDerivedPaths();
    }
    PrivateSandbox(const PrivateSandbox&) = delete;
    PrivateSandbox& operator=(const PrivateSandbox&) = delete;
    // Where job files go and outputs are written.
    std::string Out() const { return mRoot / "out"; }
    std::string Root() const { return mRoot.Path(); }
    std::string WriteJob(const std::string& leaf, const std::string& content) const {
        const std::string path = Out() + "/" + leaf;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

private:
    // The user's data, preference and temporary folders, and those under them.
    static void ForgetDerivedPaths() {
        for (int id : {-8, -4, -2, 35, 53})
            GFileSystem::RemoveSpecialPath(id);
    }

    ScopedTempFolder mRoot;
    ScopedEnvironment mEnvironment;
};
