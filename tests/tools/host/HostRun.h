#pragma once
// Runs the real trovel-host for a test, in a private folder that also takes its sample files:
// its standard output and error land in files there, its end is awaited with a bound (a hung
// host is killed and fails the test), and TROVEL_TEST_PLUGIN is set for the test plug-in. A run
// whose plug-in leaks on purpose keeps LeakSanitizer from turning the leak into its own failure.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildExit.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

extern char** environ;

struct HostResult {
    int exit = -1;
    std::string out;
    std::string errors;

    bool Printed(const std::string& line) const { return ("\n" + out).find("\n" + line + "\n") != std::string::npos; }
};

class HostRun {
public:
    static std::string Bundle(const std::string& name) { return std::string(TROVEL_TEST_BUNDLES) + "/" + name + ".plugin"; }

    // Writes a sample file into the private folder and gives its path.
    std::string Write(const std::string& leaf, const std::string& text) const {
        std::ofstream(mFolder / leaf) << text;
        return mFolder / leaf;
    }
    const ScopedTempFolder& Folder() const { return mFolder; }

    HostResult Run(const std::vector<std::string>& arguments, const std::string& misbehaviour = {}) {
        ScopedEnvironment environment;
        environment.Set("TROVEL_TEST_PLUGIN", misbehaviour);
        if (misbehaviour == "leak") {
            const char* options = std::getenv("ASAN_OPTIONS");
            environment.Set("ASAN_OPTIONS", std::string(options != nullptr ? options : "") + ":detect_leaks=0");
        }
        const std::string out = mFolder / "stdout";
        const std::string errors = mFolder / "stderr";
        std::vector<char*> argv{const_cast<char*>(TROVEL_HOST)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t child = -1;
        const int failed = posix_spawn(&child, TROVEL_HOST, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        HostResult result;
        if (failed != 0)
            return result;
        int status = 0;
        if (AwaitChildExit(child, std::chrono::seconds(60), status) != ChildWait::kEnded) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            return result;
        }
        result.exit = ExitCodeOf(status);
        result.out = Read(out);
        result.errors = Read(errors);
        return result;
    }

private:
    static std::string Read(const std::string& path) {
        std::ifstream input(path);
        std::ostringstream text;
        text << input.rdbuf();
        return text.str();
    }

    ScopedTempFolder mFolder;
};
