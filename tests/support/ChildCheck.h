#pragma once
// Runs a piece of a test in a forked child (ForkedChild), for state that only a fresh process
// has (counts of the layers, process-wide singletons). The child collects its own gtest failures
// (the parent's earlier ones are not its own), prints them, and exits 1 when there was one; the
// parent expects exit 0 within the limit.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "support/ForkedChild.h"

inline int RunCollectingFailures(std::function<void()> const& body) {
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
        body();
    }
    int failed = 0;
    for (int i = 0; i < results.size(); ++i) {
        ::testing::TestPartResult const& result = results.GetTestPartResult(i);
        if (!result.failed())
            continue;
        ++failed;
        std::fprintf(stderr, "%s:%d: Failure in the child\n%s\n", result.file_name() ? result.file_name() : "?",
                     result.line_number(), result.message());
    }
    return failed == 0 ? 0 : 1;
}

inline void ExpectPassesInChild(std::function<void()> const& body,
                                std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    EXPECT_EQ(ForkedChild::RunCheck([&] { return RunCollectingFailures(body); }, limit), 0);
}
