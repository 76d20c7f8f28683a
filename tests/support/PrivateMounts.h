#pragma once
// Runs a piece of a test in a forked child with a mount namespace of its own, so that the tmpfs
// and bind mounts it makes are seen by nobody else and vanish with it. Where the system lets no
// namespace or mount be made (no privilege), the piece is not run and the answer says so.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>
#include <sys/mount.h>

#include <chrono>
#include <functional>
#include <string>

#include "support/ChildCheck.h"

struct PrivateMounts {
    static constexpr int kUnavailable = 252;

    // 0 passed, 1 a failure the body reported, kUnavailable no private namespace here.
    static int Run(std::function<void()> const& body, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        return ForkedChild::RunCheck(
            [&] {
                if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                    return kUnavailable;
                return RunCollectingFailures(body);
            },
            limit);
    }
    // A fresh tmpfs on folder that anybody may write to (as /tmp); false when it cannot be made.
    static bool MountTemporary(std::string const& folder) {
        return mount("tmpfs", folder.c_str(), "tmpfs", 0, "mode=1777") == 0;
    }
    // A FUSE file system on folder whose daemon never answers, as a hung network mount: anything
    // that looks at the folder waits. The descriptor (-1 when no such mount can be made) must
    // stay open while the mount is to hang.
    static int MountUnanswered(std::string const& folder) {
        const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return -1;
        const std::string options = "fd=" + std::to_string(fd) + ",rootmode=40000,user_id=0,group_id=0";
        if (mount("trovel-hung", folder.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
    static bool Bind(std::string const& from, std::string const& to) {
        return mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) == 0;
    }
};

// Runs body under PrivateMounts, skipping the test with a message where mounts are not allowed.
#define RUN_WITH_PRIVATE_MOUNTS(body)                                                                 \
    do {                                                                                              \
        const int privateMountsResult = PrivateMounts::Run(body);                                     \
        if (privateMountsResult == PrivateMounts::kUnavailable)                                       \
            GTEST_SKIP() << "no private mount namespace here (unshare/mount refused): not run";      \
        EXPECT_EQ(privateMountsResult, 0);                                                            \
    } while (false)
