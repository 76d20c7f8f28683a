#pragma once
// A fresh folder for one test (mkdtemp under $TMPDIR or /tmp), removed with everything in it
// when the test ends; links inside are removed, never followed.
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

class ScopedTempFolder {
public:
    ScopedTempFolder() {
        char const* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/trovel-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        mPath = pattern;
    }
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;
    ~ScopedTempFolder() {
        RestoreAccess(mPath);
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }

    const std::string& Path() const { return mPath; }
    std::string operator/(const std::string& leaf) const { return mPath + "/" + leaf; }

private:
    // A test may have taken access away from folders at any depth: each is opened up before
    // the walk goes into it; a folder that could not be read is walked again once opened.
    static void RestoreAccess(const std::string& path) {
        static thread_local bool sUnreadable;
        for (int pass = 0; pass < 16; ++pass) {
            sUnreadable = false;
            nftw(path.c_str(), [](char const* folder, struct stat const*, int type, FTW*) {
                if (type == FTW_D || type == FTW_DNR)
                    chmod(folder, 0700);
                // Not listed, or its entries not looked at: walk again now that it is open.
                if (type == FTW_DNR || type == FTW_NS)
                    sUnreadable = true;
                return 0;
            }, 32, FTW_PHYS);
            if (!sUnreadable)
                return;
        }
    }

    std::string mPath;
};
