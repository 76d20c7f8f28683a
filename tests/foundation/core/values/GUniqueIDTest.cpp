#include <gtest/gtest.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/support/GHexSupport.h"
#include "core/values/GUniqueID.h"

namespace {

using ID = std::array<unsigned char, 16>;

constexpr uint64_t kGregorianOffset = 0x01B21DD213814000ULL;

ID Bin(GUniqueID const& generator) {
    GBuffer out;
    generator.GetBin(out);
    EXPECT_EQ(out.GetLength(), 16);
    ID id{};
    std::memcpy(id.data(), out.GetPtr(), std::min<std::size_t>(id.size(), static_cast<std::size_t>(out.GetLength())));
    return id;
}

// The 60 timestamp bits, read back from their three big-endian fields.
uint64_t Timestamp(ID const& id) {
    uint64_t low = 0;
    for (int i = 0; i < 4; ++i)
        low = low << 8 | id[i];
    const uint64_t mid = static_cast<uint64_t>(id[4]) << 8 | id[5];
    const uint64_t high = static_cast<uint64_t>(id[6] & 0x0F) << 8 | id[7];
    return high << 48 | mid << 32 | low;
}

uint64_t ClockNow() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return static_cast<uint64_t>(now.tv_sec) * 10000000ULL + static_cast<uint64_t>(now.tv_usec) * 10ULL +
           kGregorianOffset;
}

std::array<unsigned char, 6> Node(ID const& id) {
    std::array<unsigned char, 6> node{};
    std::memcpy(node.data(), id.data() + 10, 6);
    return node;
}

int ClockSequence(ID const& id) { return id[8] << 8 | id[9]; }

void ExpectVersionOneLayout(ID const& id) {
    EXPECT_EQ(id[6] & 0xF0, 0x10);
    EXPECT_EQ(id[8] & 0x80, 0x80);
    EXPECT_EQ(id[10] & 0x80, 0x80);
}

// What the installed address function hands out; reset by the fixture.
GTable<GBuffer>& FakeAddresses() {
    static GTable<GBuffer> addresses;
    return addresses;
}

void FakeEtherAddresses(GTable<GBuffer>& out) {
    out.Resize(0);
    for (int i = 0; i < FakeAddresses().GetCount(); ++i)
        out.AddItem(FakeAddresses()[i]);
}

class UniqueID : public ::testing::Test {
protected:
    void SetUp() override { FakeAddresses().Resize(0); }
    void TearDown() override {
        GUniqueID::SetEtherAddressFunction(nullptr);
        FakeAddresses().Resize(0);
    }
};

// Reads a whole pipe into IDs.
std::vector<ID> ReadIDs(int fd) {
    std::vector<ID> ids;
    ID id{};
    std::size_t filled = 0;
    for (;;) {
        const ssize_t n = read(fd, id.data() + filled, id.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        filled += static_cast<std::size_t>(n);
        if (filled == id.size()) {
            ids.push_back(id);
            filled = 0;
        }
    }
    return ids;
}

bool WriteAll(int fd, void const* data, std::size_t n) {
    auto const* bytes = static_cast<unsigned char const*>(data);
    while (n > 0) {
        const ssize_t written = write(fd, bytes, n);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        n -= static_cast<std::size_t>(written);
    }
    return true;
}

std::vector<ID> MakeIDs(GUniqueID const& generator, int count) {
    std::vector<ID> ids;
    ids.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        ids.push_back(Bin(generator));
    return ids;
}

// Makes count IDs here and, at the same time, count in a forked child (with the generator made
// before the fork, or a new one when inherited is null); expects all of them distinct.
void ExpectDistinctAcrossFork(GUniqueID const* inherited, int count) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        GUniqueID own;
        const std::vector<ID> ids = MakeIDs(inherited ? *inherited : own, count);
        _exit(WriteAll(fds[1], ids.data(), ids.size() * sizeof(ID)) ? 0 : 1);
    }
    close(fds[1]);
    GUniqueID own;
    const std::vector<ID> mine = MakeIDs(inherited ? *inherited : own, count);
    const std::vector<ID> theirs = ReadIDs(fds[0]);
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(theirs.size(), mine.size());
    std::set<ID> all(mine.begin(), mine.end());
    all.insert(theirs.begin(), theirs.end());
    EXPECT_EQ(all.size(), 2 * static_cast<std::size_t>(count));
}

}  // namespace

TEST_F(UniqueID, LayoutIsVersionOneWithTheWallClockTimestamp) {
    GUniqueID generator;
    const uint64_t before = ClockNow();
    const ID id = Bin(generator);
    const uint64_t after = ClockNow();
    ExpectVersionOneLayout(id);
    EXPECT_GE(Timestamp(id), before);
    // Other processes of this user may have run the shared timestamps a little ahead.
    EXPECT_LE(Timestamp(id), after + 60ULL * 10000000ULL);
}

TEST_F(UniqueID, NodeIsTheFirstEtherAddressOnlyWhenItHasSixBytes) {
    const unsigned char address[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    const unsigned char other[6] = {0x00, 0x66, 0x77, 0x88, 0x99, 0xAA};
    struct Case {
        const char* name;
        bool install;
        std::vector<GBuffer> addresses;
        bool takesAddress;
    };
    const Case cases[] = {
        {"no function installed", false, {}, false},
        {"no interfaces", true, {}, false},
        {"first address of five bytes", true, {GBuffer(address, 5), GBuffer(other, 6)}, false},
        {"first address of six bytes", true, {GBuffer(address, 6), GBuffer(other, 6)}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAddresses().Resize(0);
        for (const GBuffer& a : c.addresses)
            FakeAddresses().AddItem(a);
        GUniqueID::SetEtherAddressFunction(c.install ? &FakeEtherAddresses : nullptr);
        const ID first = Bin(GUniqueID());
        const ID second = Bin(GUniqueID());
        ExpectVersionOneLayout(first);
        if (c.takesAddress) {
            const std::array<unsigned char, 6> expected = {0x82, 0x11, 0x22, 0x33, 0x44, 0x55};
            EXPECT_EQ(Node(first), expected);
            EXPECT_EQ(Node(second), expected);
        } else {
            // Random nodes: two generators agreeing on 47 bits would mean no randomness.
            EXPECT_NE(Node(first), Node(second));
        }
    }
}

TEST_F(UniqueID, OneGeneratorKeepsItsNodeAndClockSequenceWhileTimestampsRise) {
    GUniqueID generator;
    const std::vector<ID> ids = MakeIDs(generator, 100000);
    for (std::size_t i = 1; i < ids.size(); ++i) {
        // Many fall within one microsecond of the clock; they must still differ.
        ASSERT_GT(Timestamp(ids[i]), Timestamp(ids[i - 1])) << "at " << i;
        ASSERT_EQ(Node(ids[i]), Node(ids[0]));
        ASSERT_EQ(ClockSequence(ids[i]), ClockSequence(ids[0]));
    }
}

TEST_F(UniqueID, ClockSequencesAreRandomPerGenerator) {
    std::set<int> sequences;
    for (int i = 0; i < 8; ++i)
        sequences.insert(ClockSequence(Bin(GUniqueID())));
    EXPECT_GT(sequences.size(), 1u);
}

TEST_F(UniqueID, HexIsThirtyTwoLowerCaseDigitsOfTheBytesAndReplacesOut) {
    GUniqueID generator;
    GBuffer hex("left over text that is longer than an identifier");
    generator.GetHex(hex);
    ASSERT_EQ(hex.GetLength(), 32);
    for (int i = 0; i < hex.GetLength(); ++i) {
        const unsigned char c = hex.GetPtr()[i];
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << "digit " << i;
    }
    GBuffer bytes;
    GHexSupport::SetFromHexBuffer(hex, bytes);
    ASSERT_EQ(bytes.GetLength(), 16);
    ID id{};
    std::memcpy(id.data(), bytes.GetPtr(), 16);
    ExpectVersionOneLayout(id);
    // The next binary identifier follows the one written as hex.
    EXPECT_GT(Timestamp(Bin(generator)), Timestamp(id));
}

TEST_F(UniqueID, DistinctAcrossThreadsWithOwnAndSharedGenerators) {
    constexpr int kThreads = 8;
    constexpr int kPerThread = 20000;
    GUniqueID shared;
    std::vector<std::vector<ID>> made(2 * kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            GUniqueID own;
            for (int i = 0; i < kPerThread; ++i) {
                made[2 * t].push_back(Bin(own));
                made[2 * t + 1].push_back(Bin(shared));
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<ID> all;
    for (const auto& ids : made)
        all.insert(ids.begin(), ids.end());
    EXPECT_EQ(all.size(), 2u * kThreads * kPerThread);
}

TEST_F(UniqueID, DistinctBetweenAForkedChildAndItsParentSharingOneGenerator) {
    // The child inherits the node and the clock sequence: only the timestamps can tell them apart.
    GUniqueID generator;
    Bin(generator);
    ExpectDistinctAcrossFork(&generator, 100000);
}

TEST_F(UniqueID, DistinctBetweenProcessesThatStartedTheirOwnGenerators) {
    // Run as its own test process, neither side has drawn a timestamp before the fork.
    ExpectDistinctAcrossFork(nullptr, 100000);
}
