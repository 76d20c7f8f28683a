#pragma once
// A fresh folder for one test (mkdtemp under $TMPDIR or /tmp), removed with everything in it
// when the test ends; links inside are removed, never followed.
#include <stdlib.h>

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
        std::error_code ignored;
        // Restore access first: a test may have taken it away.
        std::filesystem::permissions(mPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(mPath, ignored);
    }

    const std::string& Path() const { return mPath; }
    std::string operator/(const std::string& leaf) const { return mPath + "/" + leaf; }

private:
    std::string mPath;
};
