#pragma once
// Work that only the main thread may do, and sleeping without blocking the main thread.
// The main thread and the way calls reach it are those of StandinMainThread.

// Runs proc(param) on the main thread: directly when called there, else the caller blocks until
// the main thread has run it. The result is dropped; an exception from proc is caught on the
// main thread and not passed back. Called from a thread that the main thread waits for, it never
// returns.
void SafeMPRemoteCall(void* (*proc)(void*), void* param);

// On the main thread: serves calls from other threads until the time has passed (0: serves the
// calls waiting now and returns). On any other thread: PSystem::MilliSleep.
void SafeMPSleep(int milliseconds);
