#pragma once
// A private sandbox for a test or benchmark that starts programs of ours: its own HOME,
// XDG_CONFIG_HOME, XDG_DATA_HOME and TMPDIR in a temporary folder (set until it goes), and an
// "out" folder for job files and outputs. The shared-memory prefix is the caller's affair.
#include <sys/stat.h>

#include <fstream>
#include <string>

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
    }
    // Where job files go and outputs are written.
    std::string Out() const { return mRoot / "out"; }
    std::string Root() const { return mRoot.Path(); }
    std::string WriteJob(const std::string& leaf, const std::string& content) const {
        const std::string path = Out() + "/" + leaf;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

private:
    ScopedTempFolder mRoot;
    ScopedEnvironment mEnvironment;
};
