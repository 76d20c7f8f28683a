#pragma once
// An owned POSIX file descriptor: closed when the owner ends or takes another one. -1 owns
// nothing; Release hands the descriptor over without closing it.
#include <unistd.h>

class PUNIXDescriptor {
public:
    explicit PUNIXDescriptor(int fd = -1) : mFD(fd) {}
    ~PUNIXDescriptor() { Reset(); }
    PUNIXDescriptor(PUNIXDescriptor const&) = delete;
    PUNIXDescriptor& operator=(PUNIXDescriptor const&) = delete;
    PUNIXDescriptor(PUNIXDescriptor&& other) noexcept : mFD(other.Release()) {}
    PUNIXDescriptor& operator=(PUNIXDescriptor&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    int Get() const { return mFD; }
    int Release() {
        int const fd = mFD;
        mFD = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (mFD >= 0)
            ::close(mFD);
        mFD = fd;
    }

private:
    int mFD;
};
