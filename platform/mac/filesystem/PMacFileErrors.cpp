#include "mac/filesystem/PMacFileErrors.h"

#include <cerrno>

#include "core/base/GException.h"
#include "core/text/GString.h"
#include "mac/system/PUNIXSystemException.h"

int16_t PMacFileErrors::FromErrno(int error) noexcept {
    switch (error) {
    case 0:
        return kNoErr;
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return kFileNotFound;
    case EEXIST:
        return kDuplicate;
    case EACCES:
    case EPERM:
        return kAccessDenied;
    case ENAMETOOLONG:
    case EILSEQ:
        return kBadName;
    case EXDEV:
        return kDifferentVolumes;
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    case EROFS:
        return kVolumeLocked;
    case EBUSY:
    case ETXTBSY:
    case ENOTEMPTY:
        return kBusy;
    case EMFILE:
    case ENFILE:
        return kTooManyFiles;
    case EISDIR:
        return kNotAFile;
    case EFBIG:
        return kFileTooLarge;
    case ENOMEM:
        return kMemoryFull;
    case EINVAL:
        return kParamErr;
    case ENODEV:
    case ENXIO:
        return kNoSuchVolume;
    default:
        return kIOErr;
    }
}

void PMacFileErrors::ThrowInternal(int error) {
    const PUNIXSystemException system(error);
    throw GCustomException(kInternalError, *system.GetCustomText());
}

void PMacFileErrors::ThrowBadName() { throw GCustomException(kBadNameException); }

void PMacFileErrors::ThrowInternalFor(int error, std::string const& path) {
    static char const* const hex = "0123456789ABCDEF";
    std::string named;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            named += c;
        } else {
            named += "\\x";
            named += hex[byte >> 4];
            named += hex[byte & 15];
        }
    }
    const PUNIXSystemException system(error);
    GString text(named.c_str());
    text += GString(": ");
    text += *system.GetCustomText();
    throw GCustomException(kInternalError, text);
}
