#pragma once
// Starts detached threads and names the current one.
#include <pthread.h>

class PUNIXThreadImp {
public:
    using Entry = void (*)(void*);

    // Runs entry(argument) on a new detached thread. An exception that leaves entry ends the
    // process. Failures throw GSimpleException: 40254 invalid settings, 40253 out of resources,
    // 40256 any other error.
    static void BeginThread(Entry entry, void* argument);

    static pthread_t GetCurrentThreadId();
};
