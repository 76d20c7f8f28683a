#pragma once
// The one start-up of the tests, fuzz targets and benchmarks: the framework core layer, started
// once per process and never stopped, so what it makes stays for the rest of the process.
// Calling it again changes nothing; a failed start fails loudly (aborts) rather than letting
// tests run on a half-started foundation.
//
// Tests that tear a piece down (the UTF-16 tables, the signal registry, a singleton) put it back
// themselves.
void StartFoundation();

// StartFoundation; the platform encoding factory (Shift-JIS, the system's code pages) is part of
// it. Installs a factory again when a test removed it.
void StartFoundationWithPlatformEncodings();

// For a forked child only (see ChildCheck.h): stops the framework core layer however often the
// process started it, so the child begins with the process-wide instances of a fresh process.
void StopFoundationInChild();

// For cases that start and stop the foundation themselves, as a plug-in does in a fresh host
// process: stops the framework core layer for the life of the object, however often the process
// started it (earlier cases, StartFoundation), and starts it again as often at the end. Declared
// as a fixture's first member, it starts the foundation again after the other members (a sandbox,
// its environment) are gone.
class FoundationStoppedScope {
public:
    FoundationStoppedScope();
    ~FoundationStoppedScope();
    FoundationStoppedScope(FoundationStoppedScope const&) = delete;
    FoundationStoppedScope& operator=(FoundationStoppedScope const&) = delete;

private:
    unsigned mStarts;
};
