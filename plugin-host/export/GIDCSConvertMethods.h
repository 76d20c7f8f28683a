#pragma once
// GIDCSConvertMethods: text and paths between the framework's types and the host's.
//
// Callers may rely on:
// - ConvertToGString keeps the host string's UTF-16 code units unchanged (Unicode encoding).
// - ConvertToPMString gives a host string of the same text, not translatable; text that cannot
//   be encoded as UTF-8 (a lone surrogate) becomes U+FFFD.
// - ConvertToIDFile gives the host's file of the path in the host's native form (a POSIX path
//   here, where the host names files by native paths).
#include "core/text/GString.h"
#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/PMString.h"
#include "services/paths/GPathName.h"

class GIDCSConvertMethods {
public:
    static void ConvertToGString(PMString const& in, GString& out);
    static void ConvertToPMString(GString const& in, PMString& out);
    static IDFile ConvertToIDFile(GPathName const& path);
};
