#pragma once
// GFileSystem: the file-system facade under the one name the system calls it by.
#include "services/filesystem/GFileSystemBase.h"
#include "services/filesystem/PMacFileSystemImp.h"

using GFileSystem = GFileSystemBase<PMacFileSystemImp>;
