#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "core/base/GException.h"
#include "core/base/GExceptionLocation.h"
#include "mac/system/PUNIXSystemException.h"
#include "support/ExceptionTestText.h"

namespace {

class PUNIXSystemExceptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartFoundation();
        GException::Initialize();
    }
};

TEST_F(PUNIXSystemExceptionTest, CarriesErrnoAndTheSystemsDescription) {
    const GString path("/nowhere/file.txt");
    GExceptionLocation location(path);
    try {
        throw PUNIXSystemException(ENOENT);
    } catch (const GCustomException& e) {
        const auto& system = dynamic_cast<const PUNIXSystemException&>(e);
        EXPECT_EQ(system.GetErrno(), ENOENT);
        EXPECT_EQ(e.GetExceptionID(), 40074);
        EXPECT_EQ(Text(e.GetDescription()), std::strerror(ENOENT));
        EXPECT_EQ(Text(e.GetFullDescription()), std::string("/nowhere/file.txt: ") + std::strerror(ENOENT));
    }
}

TEST_F(PUNIXSystemExceptionTest, AnUnknownErrorStillHasADescription) {
    const PUNIXSystemException e(123456);
    EXPECT_EQ(e.GetErrno(), 123456);
    EXPECT_FALSE(Text(e.GetDescription()).empty());
    const PUNIXSystemException copy(e);
    EXPECT_EQ(Text(copy.GetDescription()), Text(e.GetDescription()));
}

}  // namespace
