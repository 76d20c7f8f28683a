#pragma once
// A fresh string pool for each test: the encodings (Shift-JIS included), an empty pool with the
// file reading of the services installed, the layers' English texts registered again, the
// trace lines collected, and a temporary folder for string files. Everything is undone at the
// end, so tests do not see each other's languages.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolData.h"
#include "services/paths/GPathName.h"
#include "services/strings/GStringPoolSupport.h"
#include "support/ExceptionTestText.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"

class StringPoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundationWithPlatformEncodings();
        Reset();
        Traces().clear();
        GStringPoolData::SetTraceHook(&Collect);
        GStringPool::Initialize();
        GStringPoolSupport::Initialize();
        GException::Initialize();
    }

    void TearDown() override {
        GStringPoolData::SetTraceHook(nullptr);
        Reset();
        // Leave the pool as other tests of this process expect it: English texts registered.
        GStringPool::Initialize();
        GException::Initialize();
    }

    static void Reset() {
        GStringPoolSupport::Finalize();
        GStringPool::Finalize();
    }

    static std::vector<std::string>& Traces() {
        static std::vector<std::string> traces;
        return traces;
    }

    // Writes bytes to a file of the temporary folder and returns its path.
    GPathName WriteFile(const std::string& leaf, const std::string& bytes) const {
        const std::string path = mTemp / leaf;
        std::ofstream(path, std::ios::binary) << bytes;
        return GPathName(path.c_str());
    }

    GPathName Folder() const { return GPathName(mTemp.Path().c_str()); }

    // The text of id in language's own table; "<none>" when it has none.
    static std::string TextIn(const char* language, int id) {
        GString out;
        if (!GStringPool::GetString(GString(language), id, out))
            return "<none>";
        return Text(out);
    }

    ScopedTempFolder mTemp;

private:
    static void Collect(const GString& message) { Traces().push_back(Text(message)); }
};
