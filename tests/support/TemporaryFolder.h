#pragma once
// A private folder for one test: made with mkdtemp under TMPDIR (or /tmp) and removed with all
// its contents when the object goes. Links are removed, never followed.
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

class TemporaryFolder {
public:
    TemporaryFolder() {
        char const* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/trovel-test-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        mPath = pattern;
    }
    ~TemporaryFolder() {
        // Folders made unreadable by a test are opened up again first.
        nftw(mPath.c_str(), [](char const* p, struct stat const* s, int type, FTW*) {
            if (type == FTW_D || type == FTW_DNR)
                chmod(p, 0700);
            (void)s;
            return 0;
        }, 32, FTW_PHYS);
        nftw(mPath.c_str(), [](char const* p, struct stat const*, int, FTW*) { return std::remove(p) == 0 ? 0 : 0; },
             32, FTW_DEPTH | FTW_PHYS);
    }
    TemporaryFolder(TemporaryFolder const&) = delete;
    TemporaryFolder& operator=(TemporaryFolder const&) = delete;

    std::string const& Path() const { return mPath; }
    std::string operator/(std::string const& relative) const { return mPath + "/" + relative; }

private:
    std::string mPath;
};
