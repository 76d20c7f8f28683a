#pragma once
// What the end-to-end and fault tests of the stand-in printer-processor share: a private sandbox
// (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, TMPDIR; the shared-memory prefix comes from
// ShmTestEnvironment), the running program with its "ready" line, its output lines, and the
// hand-off layer of the sending test process.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "printerprocessor/jobs/GPPJobInfo.h"
#include "printerprocessor/jobs/GPPJobNotifier.h"
#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"
#include "support/Elapsed.h"
#include "support/PrivateSandbox.h"
#include "support/ShmTestEnvironment.h"
#include "support/SpawnedProgram.h"

namespace standin {

using Line = std::vector<std::string>;
// Field positions of an output line.
enum Field { kSender, kRegistration, kVerdict, kUser, kJobPath, kPrinter, kPort, kCopies, kPrinterID, kDetail, kFieldCount };

inline GString Text(const std::string& utf8) { return GString(utf8.c_str(), GEncodingFallback::Get<GUTF8Encoding>()); }

using Sandbox = PrivateSandbox;

class StandIn {
public:
    // Starts the program and waits (bounded) for its "ready <pid> <registration id>" line.
    bool Start(const std::string& output, const std::vector<std::string>& extra = {}) {
        mOutput = output;
        std::vector<std::string> arguments = {"--output", output};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        if (!mProgram.Start(TROVEL_PRINTER_PROCESSOR, arguments))
            return false;
        std::string line;
        if (!mProgram.ReadLine(line, 15000))
            return false;
        std::istringstream words(line);
        std::string ready;
        words >> ready >> mPid >> mRegistration;
        return ready == "ready" && mPid == mProgram.Pid() && mRegistration > 0;
    }

    int Pid() const { return mPid; }
    int Registration() const { return mRegistration; }
    SpawnedProgram& Program() { return mProgram; }

    std::vector<Line> Lines() const {
        std::ifstream in(mOutput, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<Line> lines;
        std::string::size_type start = 0;
        for (std::string::size_type end; (end = text.find('\r', start)) != std::string::npos; start = end + 1)
            lines.push_back(Split(text.substr(start, end - start)));
        return lines;
    }

    // Polls (bounded) until the output holds at least count lines; returns the lines then.
    std::vector<Line> AwaitLines(std::size_t count, int milliseconds = 10000) const {
        const auto start = Clock::now();
        std::vector<Line> lines = Lines();
        while (lines.size() < count && MillisecondsSince(start) < milliseconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            lines = Lines();
        }
        return lines;
    }

    // Asks it to end with message 146 and waits (bounded); its exit status, -1 on timeout.
    int Terminate(int milliseconds = 20000) {
        GPPJobNotifier::TrySendTerminateNotification(false);
        return mProgram.Wait(milliseconds);
    }

private:
    static Line Split(const std::string& text) {
        Line fields(1);
        for (std::string::size_type i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\t') {
                fields.emplace_back();
            } else if (c == '\\' && i + 1 < text.size()) {
                const char next = text[++i];
                fields.back() += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
            } else {
                fields.back() += c;
            }
        }
        return fields;
    }

    SpawnedProgram mProgram;
    std::string mOutput;
    int mPid = 0;
    int mRegistration = 0;
};

// The hand-off layer of the sending test process, for one test.
class LayerScope {
public:
    LayerScope() : mStarted(GPPPrinterProcessorLayer::Initialize()) {}
    ~LayerScope() {
        if (mStarted)
            GPPPrinterProcessorLayer::Finalize();
    }
    LayerScope(const LayerScope&) = delete;
    LayerScope& operator=(const LayerScope&) = delete;
    bool Started() const { return mStarted; }

private:
    bool mStarted;
};

// A receiver killed outright cannot give back its references to the shared-memory objects it
// had open, so their names outlive it (a later user repairs and reuses them). Removes what is
// left under this process's prefix and returns the names that were not the killed receiver's own
// (its queue, and the registration table it shared): those would be a leak of ours.
inline std::vector<std::string> RemoveLeftoversOfKilled(int pid, int registration) {
    const std::string prefix = ShmTestEnvironment::Prefix();
    const std::string queue = "P" + std::to_string(pid) + "MQ" + std::to_string(registration);
    const std::vector<std::string> allowed = {prefix + "KvoShD" + queue, prefix + "KvoShL" + queue,
                                              prefix + "KvoShDGIPC_PP", prefix + "KvoShLGIPC_PP"};
    std::vector<std::string> unexpected;
    for (const std::string& name : ShmTestEnvironment::Leftovers(prefix)) {
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            unexpected.push_back(name);
        shm_unlink(("/" + name).c_str());
    }
    return unexpected;
}

// How many lines name this user.
inline int Count(const std::vector<Line>& lines, const std::string& user) {
    int n = 0;
    for (const Line& line : lines)
        n += line.size() > kUser && line[kUser] == user;
    return n;
}

inline GPPJobInfo Notice(const std::string& user, const std::string& jobPath) {
    return GPPJobInfo(Text(user), GPathName(Text(jobPath)), Text("Proof"), Text("10987"), 1, GString());
}

inline bool Notify(const GPPJobInfo& info) { return GPPJobNotifier(info).TrySendNotification(); }

}  // namespace standin
