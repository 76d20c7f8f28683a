#pragma once
// Path text both ways for the tests of the platform's file-system classes: G makes the text of
// native UTF-8 bytes, S the bytes of a text; either fails the test when there is no such form.
#include <gtest/gtest.h>

#include <string>

#include "core/text/GString.h"
#include "mac/paths/PMacNativePath.h"

inline GString G(const std::string& native) {
    GString text;
    EXPECT_TRUE(PMacNativePath::FromUTF8(native, text)) << native;
    return text;
}

inline std::string S(const GString& text) {
    std::string native;
    EXPECT_TRUE(PMacNativePath::ToUTF8(text, native));
    return native;
}
