#pragma once
// An operating-system error: id 40074 "A UNIX System Error has occurred", carrying the errno
// value and, as its text, the system's description of it (strerror_r, in the process's
// language; "UNIX error <n>" when the system has none that can be read).
#include "core/base/GCustomException.h"

class PUNIXSystemException : public GCustomException {
public:
    explicit PUNIXSystemException(int error);
    PUNIXSystemException(const PUNIXSystemException& other) noexcept = default;
    PUNIXSystemException& operator=(const PUNIXSystemException& other) noexcept = default;
    ~PUNIXSystemException() override;

    int GetSystemErrorCode() const noexcept { return mErrno; }
    int GetErrno() const noexcept { return mErrno; }

    static constexpr int kID = 40074;

private:
    int mErrno;
};
