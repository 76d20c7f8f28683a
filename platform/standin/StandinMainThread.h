#pragma once
// Stands in for the main thread's run loop: which thread is the main thread, running a call
// there while the caller waits, and sleeping on the main thread without leaving it deaf.
//
// What is kept of the original: a call made from another thread runs on the main thread and the
// caller blocks until it has run; a call made on the main thread runs at once; an exception that
// escapes the call is caught on the main thread and never reaches the caller; a sleep on the main
// thread keeps serving calls from other threads until the time has passed.
//
// The main thread is the thread that loaded the library, unless SetMainThread names another.
//
// The default hook keeps a queue that only the main thread drains, from Serve (and so from
// SafeMPSleep) and from ProcessPendingCalls. A program whose main thread never does either
// leaves every caller from another thread waiting; so does a main thread that waits for the
// caller.
//
// An event loop installs its own hook with SetHook (for Qt: a blocking queued call on the GUI
// thread). A hook must:
//  - IsMainThread: answer for the calling thread (the default compares with the recorded thread);
//  - CallAndWait: run `call` once on its main thread and return only after it ran; it is called
//    from other threads only, and `call` never throws;
//  - Serve: on the main thread, run pending calls for about `milliseconds` (0: once) and return.
// Install a hook before other threads call in: a call already queued on the previous hook is
// served by that hook only.
#include <pthread.h>

#include <functional>
#include <memory>

class StandinMainThread {
public:
    using Procedure = void* (*)(void*);

    class Hook {
    public:
        virtual ~Hook() = default;
        virtual bool IsMainThread() const;
        virtual void CallAndWait(const std::function<void()>& call) = 0;
        virtual void Serve(int milliseconds) = 0;
    };

    // nullptr restores the default queue.
    static void SetHook(std::shared_ptr<Hook> hook);

    static void SetMainThread(pthread_t thread);
    static void SetCurrentThreadAsMain();
    static pthread_t GetMainThread();

    static bool IsMainThread();

    // Runs proc(param) on the main thread and waits for it; the result is dropped and an
    // exception from proc is dropped on the main thread. Throws only when the hook itself fails
    // to deliver the call. A null proc does nothing.
    static void RunOnMainThread(Procedure proc, void* param);

    // On the main thread: serves pending calls for that long (0 or less: once). Elsewhere: nothing.
    static void Serve(int milliseconds);

    // On the main thread: runs the calls waiting now. Elsewhere: nothing.
    static void ProcessPendingCalls();
};
