#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "core/base/GException.h"
#include "mac/filesystem/PMacFileErrors.h"
#include "support/ExceptionTestText.h"

namespace {

TEST(PMacFileErrorsTest, EveryErrnoMapsToItsFileManagerCode) {
    const struct {
        int error;
        int16_t code;
    } cases[] = {
        {0, 0},          {ENOENT, -43},       {ENOTDIR, -43}, {ELOOP, -43},     {EEXIST, -48},   {EACCES, -5000},
        {EPERM, -5000},  {ENAMETOOLONG, -37}, {EILSEQ, -37},  {EXDEV, -1303},   {EIO, -36},      {ENOSPC, -34},
        {EDQUOT, -34},   {EROFS, -44},        {EBUSY, -47},   {ENOTEMPTY, -47}, {ETXTBSY, -47},  {EMFILE, -42},
        {ENFILE, -42},   {EISDIR, -1302},     {EFBIG, -1309}, {ENOMEM, -41},    {EINVAL, -50},   {ENODEV, -35},
        {ENXIO, -35},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PMacFileErrors::FromErrno(c.error), c.code) << std::strerror(c.error);
}

TEST(PMacFileErrorsTest, AnErrnoWithoutEntryIsAnIOErrorNeverSuccess) {
    EXPECT_EQ(PMacFileErrors::FromErrno(EPROTO), PMacFileErrors::kIOErr);
    EXPECT_EQ(PMacFileErrors::FromErrno(123456), PMacFileErrors::kIOErr);
    EXPECT_EQ(PMacFileErrors::FromErrno(-1), PMacFileErrors::kIOErr);
}

TEST(PMacFileErrorsTest, InternalErrorsCarryTheSystemsText) {
    StartFoundation();
    GException::Initialize();
    try {
        PMacFileErrors::ThrowInternal(EACCES);
    } catch (const GCustomException& e) {
        EXPECT_EQ(e.GetExceptionID(), 40275);
        EXPECT_EQ(Text(e.GetDescription()), std::strerror(EACCES));
        return;
    }
    FAIL() << "nothing thrown";
}

}  // namespace
