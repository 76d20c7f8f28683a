#pragma once
// PMacFileErrors: the classic file-manager result codes that the platform file-system layer
// reports, and the one mapping from the system's errno values to them. Every file-system
// operation that returns a code takes it from FromErrno, so that a failure of the same kind is
// reported with the same code everywhere; the facade turns the codes into exceptions.
//
// Callers may rely on:
// - FromErrno(0) is kNoErr; an errno without an entry of its own is kIOErr, never success.
// - ThrowInternal throws GCustomException kInternalError carrying the system's description.
#include <cstdint>
#include <string>

#include "core/base/GCustomException.h"

class PMacFileErrors {
public:
    PMacFileErrors() = delete;

    static constexpr int16_t kNoErr = 0;
    static constexpr int16_t kDiskFull = -34;        // ENOSPC, EDQUOT
    static constexpr int16_t kNoSuchVolume = -35;    // ENODEV, ENXIO
    static constexpr int16_t kIOErr = -36;           // EIO and anything without an entry
    static constexpr int16_t kBadName = -37;         // ENAMETOOLONG, EILSEQ, undecodable text
    static constexpr int16_t kMemoryFull = -41;      // ENOMEM
    static constexpr int16_t kTooManyFiles = -42;    // EMFILE, ENFILE
    static constexpr int16_t kFileNotFound = -43;    // ENOENT, ENOTDIR, ELOOP
    static constexpr int16_t kVolumeLocked = -44;    // EROFS
    static constexpr int16_t kBusy = -47;            // EBUSY, ETXTBSY, ENOTEMPTY
    static constexpr int16_t kDuplicate = -48;       // EEXIST
    static constexpr int16_t kParamErr = -50;        // EINVAL
    static constexpr int16_t kBadMove = -122;
    static constexpr int16_t kNotAFile = -1302;      // EISDIR
    static constexpr int16_t kDifferentVolumes = -1303;  // EXDEV
    static constexpr int16_t kFileTooLarge = -1309;  // EFBIG
    static constexpr int16_t kAccessDenied = -5000;  // EACCES, EPERM

    // Exception ids of the layer's own failures.
    static constexpr int kBadNameException = 40004;
    static constexpr int kInternalError = 40275;
    static constexpr int kInvalidDomain = 40276;
    static constexpr int kInvalidFolderType = 40277;
    static constexpr int kNoDateToQuery = 40278;
    static constexpr int kCannotFindFile = 40281;

    static int16_t FromErrno(int error) noexcept;

    // The system's description of error, in a GCustomException kInternalError.
    [[noreturn]] static void ThrowInternal(int error);
    [[noreturn]] static void ThrowBadName();
    // The same, the description preceded by the item's path bytes (any byte outside printable
    // ASCII as \xNN, so that a name without a text form is still named).
    [[noreturn]] static void ThrowInternalFor(int error, std::string const& path);
};
