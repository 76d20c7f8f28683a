#pragma once
// Shared by the file-system operation tests: a sandbox folder, path text both ways, small
// file helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/base/GException.h"
#include "mac/filesystem/PMacFileSystemImpCocoa.h"
#include "mac/paths/PMacPathText.h"
#include "support/ExceptionID.h"
#include "support/ExceptionTestText.h"
#include "support/FileFixtures.h"
#include "support/NativePathText.h"
#include "support/ScopedTempFolder.h"

// A path whose text has no UTF-8 form (a lone surrogate).
inline GString BadText() { return PMacPathText::FromUnits(u"/tmp/bad\xd800name"); }

inline void Link(const std::string& target, const std::string& path) { ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path; }

class PMacFileSystemImpCocoaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartFoundation();
        GException::Initialize();
    }
    std::string operator()(const std::string& leaf) const { return mDir / leaf; }

    using FS = PMacFileSystemImpCocoa;
    ScopedTempFolder mDir;
};
