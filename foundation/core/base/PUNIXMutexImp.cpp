#include "core/base/PUNIXMutexImp.h"

#include "core/base/GException.h"

PUNIXMutexImp::PUNIXMutexImp() {
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0)
        throw GSimpleException(40204);
    int rc = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    if (rc == 0)
        rc = pthread_mutex_init(&mMutex, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc != 0)
        throw GSimpleException(40204);
}

PUNIXMutexImp::~PUNIXMutexImp() { pthread_mutex_destroy(&mMutex); }

void PUNIXMutexImp::ThrowLockFailure() { throw GSimpleException(40202); }

void PUNIXMutexImp::ThrowUnlockFailure() { throw GSimpleException(40203); }
