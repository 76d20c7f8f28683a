#pragma once
// Reading GString and GLngString as UTF-8 std::string in assertions.
#include <string>

#include "core/text/GLngString.h"
#include "core/text/GString.h"
#include "support/EncodingTestSetup.h"

inline std::string Text(const GString& s) {
    StartFoundation();
    return BytesOf(s.GetBuffer(GUTF8Encoding::GetInstance()));
}

inline std::string Text(const GLngString& message) { return Text(message.GetReadableString()); }
