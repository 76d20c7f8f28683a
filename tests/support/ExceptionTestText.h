#pragma once
// Reading GString and GLngString as UTF-8 std::string in assertions.
#include <string>

#include "EncodingTestSetup.h"
#include "GLngString.h"
#include "GString.h"

inline std::string Text(const GString& s) {
    EnsureEncodingSingletons();
    return BytesOf(s.GetBuffer(GUTF8Encoding::GetInstance()));
}

inline std::string Text(const GLngString& message) { return Text(message.GetReadableString()); }
