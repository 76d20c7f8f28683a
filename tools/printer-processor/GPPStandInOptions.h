#pragma once
// The command line of the stand-in printer-processor. Besides the output file, the options make
// the receiver misbehave on purpose, for the fault tests of the hand-off. With --make-trovelor
// it makes a Trovelor package and registers it instead of serving.
#include <string>
#include <utility>
#include <vector>

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

    // --make-trovelor NAME: the Trovelor's name; empty when serving.
    std::string mTrovelorName;
    std::string mJobOptions;
    std::vector<std::pair<std::string, std::string>> mSettings;
    int mBuildNumber = 1;
    std::string mGUID;
    std::string mPDFSettings;
    std::string mPackage;

private:
    bool ParseTrovelor(int argc, char** argv, std::string& error);
};
