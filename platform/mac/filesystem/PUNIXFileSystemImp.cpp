#include "mac/filesystem/PUNIXFileSystemImp.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "mac/paths/PMacNativePath.h"
#include "mac/system/PUNIXSystemException.h"

void PUNIXFileSystemImp::CheckErrno(bool ok) {
    if (!ok && errno != 0)
        throw PUNIXSystemException(errno);
}

bool PUNIXFileSystemImp::FileInUse(GString const& path) {
    std::string bytes;
    if (!PMacNativePath::ToUTF8(path, bytes))
        throw PUNIXSystemException(EINVAL);
    int descriptor;
    do {
        descriptor = open(bytes.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        throw PUNIXSystemException(errno != 0 ? errno : EIO);

    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    probe.l_pid = 0;
    const bool asked = fcntl(descriptor, F_OFD_GETLK, &probe) == 0;
    close(descriptor);
    // ENOTSUP (no lock support on the volume) and any other failure to ask: not in use.
    return asked && probe.l_type != F_UNLCK;
}
