#pragma once
// Gives every test process a private shared-memory namespace (TROVEL_SHM_PREFIX "trvtest<pid>_")
// and, when the process's tests are done, fails if any object with that prefix is left in
// /dev/shm (and removes it, so one failure does not leak into later runs). CTest runs each case
// in its own process, so the check covers each case. Register it once per test binary:
//     static auto* const kShm = ::testing::AddGlobalTestEnvironment(new ShmTestEnvironment);
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

class ShmTestEnvironment : public ::testing::Environment {
public:
    static std::string Prefix() { return "trvtest" + std::to_string(getpid()) + "_"; }

    // Objects in /dev/shm whose names begin with prefix.
    static std::vector<std::string> Leftovers(const std::string& prefix) {
        std::vector<std::string> found;
        if (DIR* dir = opendir("/dev/shm")) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name.compare(0, prefix.size(), prefix) == 0)
                    found.push_back(name);
            }
            closedir(dir);
        }
        return found;
    }

    void SetUp() override {
        mPrefix = Prefix();
        setenv("TROVEL_SHM_PREFIX", mPrefix.c_str(), 1);
    }

    void TearDown() override {
        // Only the process that set the prefix checks: a forked child never gets here (it _exits).
        if (mPrefix != Prefix())
            return;
        for (const std::string& name : Leftovers(mPrefix)) {
            ADD_FAILURE() << "shared-memory object left behind: /dev/shm/" << name;
            shm_unlink(("/" + name).c_str());
        }
    }

private:
    std::string mPrefix;
};
