#pragma once
// Shared helpers of the file-system tests: paths from UTF-8, files with content, modes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/base/GException.h"
#include "services/filesystem/GFileSystem.h"
#include "support/ExceptionID.h"
#include "support/ExceptionTestText.h"
#include "support/FileFixtures.h"
#include "support/ScopedTempFolder.h"

inline GPathName PathOf(std::string const& utf8) {
    StartFoundation();
    GPathName path;
    path.SetMachOPathString(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
    return path;
}

inline std::string Utf8(GPathName const& path) { return Text(path.GetNativePathString()); }

