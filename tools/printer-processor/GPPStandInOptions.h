#pragma once
// The command line of the stand-in printer-processor. Besides the output file, the options make
// the receiver misbehave on purpose, for the fault tests of the hand-off.
#include <string>

class GPPStandInOptions {
public:
    // False (with a reason) for an unknown option, a missing or malformed value, or no --output.
    bool Parse(int argc, char** argv, std::string& error);
    static const char* Usage();

    std::string mOutput;
    // Job paths must lie inside it; the output file's folder when not given.
    std::string mFolder;
    bool mNoRead = false;
    int mReadAfterMs = 0;
    bool mDieHoldingLock = false;
    bool mStopHoldingLock = false;
    bool mRegisterTwice = false;
};
