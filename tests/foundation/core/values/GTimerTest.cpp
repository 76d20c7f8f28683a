#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/values/GTimer.h"

namespace {

void SleepSeconds(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

}  // namespace

TEST(Timer, NewTimerIsStoppedAtZero) {
    const GTimer timer;
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0);
    EXPECT_TRUE(timer == GTimer());
}

TEST(Timer, StretchesAddUpAndNothingCountsWhileStopped) {
    GTimer clock;
    GTimer timer;
    const double outerStart = clock.GetCurrentSeconds();
    timer.Start();
    SleepSeconds(0.05);
    timer.Stop();
    const double afterFirst = timer.GetElapsedSeconds();
    SleepSeconds(0.05);
    EXPECT_EQ(timer.GetElapsedSeconds(), afterFirst);
    timer.Start();
    SleepSeconds(0.1);
    timer.Stop();
    const double outer = clock.GetCurrentSeconds() - outerStart;
    EXPECT_GE(afterFirst, 0.05);
    EXPECT_GE(timer.GetElapsedSeconds(), 0.15);
    // The stopped stretch between the two is left out.
    EXPECT_LE(timer.GetElapsedSeconds(), outer - 0.05);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(Timer, StartAndStopAreIdempotent) {
    GTimer timer;
    timer.Stop();
    EXPECT_TRUE(timer == GTimer());

    timer.Start();
    const GTimer started = timer;
    SleepSeconds(0.01);
    timer.Start();
    EXPECT_TRUE(timer == started);
    EXPECT_GE(timer.GetElapsedSeconds(), 0.01);

    timer.Stop();
    const GTimer stopped = timer;
    timer.Stop();
    EXPECT_TRUE(timer == stopped);
}

TEST(Timer, RestartRunsFromZeroAndResetStopsAtZero) {
    GTimer timer;
    timer.Start();
    SleepSeconds(0.05);
    timer.Stop();
    timer.Restart();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_LT(timer.GetElapsedSeconds(), 0.05);

    SleepSeconds(0.01);
    const GTimer running = timer;
    timer.Reset();
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0);
    // The start stays, so a reset timer is not a new one.
    GTimer expected = running;
    expected.Stop();
    expected.Reset();
    EXPECT_TRUE(timer == expected);
    EXPECT_FALSE(timer == GTimer());
}

TEST(Timer, AllTimersReadOneMonotonicClock) {
    GTimer first;
    first.GetCurrentSeconds();
    SleepSeconds(0.02);
    const double earlier = first.GetCurrentSeconds();
    // A later timer does not start its own clock at 0.
    GTimer second;
    const double later = second.GetCurrentSeconds();
    EXPECT_GE(later, 0.02);
    EXPECT_GE(later, earlier);
    double last = later;
    for (int i = 0; i < 10000; ++i) {
        const double now = second.GetCurrentSeconds();
        ASSERT_GE(now, last);
        last = now;
    }
}
