#pragma once
// Two POSIX operations of the file-system layer: a failed system call as an exception, and the
// question whether a file is locked by another holder.
//
// Callers may rely on:
// - CheckErrno(false) throws PUNIXSystemException for errno when errno is set; with errno 0, or
//   with true, it does nothing.
// - FileInUse opens the file (following links, so an alias stands for its target) read-only and
//   asks, without waiting, whether a whole-file write lock would be refused. Locks of other
//   processes count, classic record locks and open-file-description locks alike, and so do the
//   open-file-description locks of this process's other descriptors. The probe's descriptor is
//   closed again without dropping any lock (the locks of this layer are not classic ones).
//   A file system without lock support answers false; a file that cannot be opened throws.
// - Paths are native path text (see PMacNativePath); text with a zero unit throws EINVAL.
#include "core/text/GString.h"

class PUNIXFileSystemImp {
public:
    PUNIXFileSystemImp() = delete;

    static void CheckErrno(bool ok);
    static bool FileInUse(GString const& path);
};
