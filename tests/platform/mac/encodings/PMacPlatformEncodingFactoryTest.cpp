#include "mac/encodings/PMacPlatformEncodingFactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "mac/encodings/PMacPlatformEncoding.h"
#include "standin/StandinStringEncoding.h"
#include "support/EncodingTestSetup.h"

namespace {

// Restores the system code page a test changes.
class SystemEncodingScope {
public:
    explicit SystemEncodingScope(int encoding) : mSaved(StandinStringEncoding::GetSystemEncoding()) {
        StandinStringEncoding::SetSystemEncoding(encoding);
    }
    ~SystemEncodingScope() { StandinStringEncoding::SetSystemEncoding(mSaved); }

private:
    int mSaved;
};

// Removes whatever factory a test installs.
class InstalledFactoryScope {
public:
    ~InstalledFactoryScope() { GPlatformEncodingFactory::SetInstance(nullptr); }
};

int NumberOf(GPlatformEncoding const* encoding) {
    return static_cast<PMacPlatformEncoding const*>(encoding)->GetEncodingNumber();
}

TEST(PMacPlatformEncodingFactory, SameNumberGivesSameObject) {
    PMacPlatformEncodingFactory factory;
    GPlatformEncoding* system = factory.GetPlatformEncoding();
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(factory.GetPlatformEncoding(), system);
    EXPECT_EQ(NumberOf(system), StandinStringEncoding::kMacRoman);
    EXPECT_EQ(factory.GetEncodingForCFStringEncoding(0), system);

    GPlatformEncoding* shiftJIS = factory.GetShiftJISEncoding();
    EXPECT_EQ(factory.GetShiftJISEncoding(), shiftJIS);
    EXPECT_EQ(factory.GetEncodingForCFStringEncoding(1), shiftJIS);
    EXPECT_EQ(NumberOf(shiftJIS), StandinStringEncoding::kMacJapanese);

    GPlatformEncoding* prc = factory.GetPRCEncoding();
    EXPECT_EQ(factory.GetPRCEncoding(), prc);
    EXPECT_EQ(NumberOf(prc), 0x421);
    EXPECT_NE(prc, shiftJIS);
}

TEST(PMacPlatformEncodingFactory, FollowsAChangeOfTheSystemCodePage) {
    PMacPlatformEncodingFactory factory;
    GPlatformEncoding* roman = factory.GetPlatformEncoding();
    {
        SystemEncodingScope japanese(StandinStringEncoding::kMacJapanese);
        EXPECT_EQ(PMacPlatformEncodingFactory::GetCurrentCFStringEncoding(), 1);
        EXPECT_EQ(factory.GetPlatformEncoding(), factory.GetShiftJISEncoding());
    }
    EXPECT_EQ(factory.GetPlatformEncoding(), roman);
}

TEST(PMacPlatformEncodingFactory, TheFactoryHoldsItsEncodingsAndTextsOutliveIt) {
    StartFoundation();
    auto factory = std::make_unique<PMacPlatformEncodingFactory>();
    GSharedObject<GPlatformEncoding> held(factory->GetShiftJISEncoding());
    EXPECT_EQ(held->GetRefCount(), 3);  // the dictionary, the Shift-JIS slot and this test
    factory.reset();
    EXPECT_EQ(held->GetRefCount(), 1);
    GBuffer utf16;
    EXPECT_EQ(held->ConvertTo(ByteBuffer("\x82\xA0"), GUnicodeEncoding::GetInstance(), utf16), 1);
    EXPECT_EQ(UnitsOf(utf16), u"\u3042");
}

// Texts are decoded and composed on worker threads too: first requests may race.
TEST(PMacPlatformEncodingFactory, ThreadsAskingAtOnceGetTheSameObjects) {
    PMacPlatformEncodingFactory factory;
    constexpr int kThreads = 8;
    std::vector<GPlatformEncoding*> seen(kThreads * 3);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&factory, &seen, t] {
            seen[t * 3] = factory.GetPlatformEncoding();
            seen[t * 3 + 1] = factory.GetShiftJISEncoding();
            seen[t * 3 + 2] = factory.GetEncodingForCFStringEncoding(0x421);
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(seen[t * 3], factory.GetPlatformEncoding());
        EXPECT_EQ(seen[t * 3 + 1], factory.GetShiftJISEncoding());
        EXPECT_EQ(seen[t * 3 + 2], factory.GetPRCEncoding());
    }
}

TEST(GPlatformEncodingFactory, TheInstalledFactoryServesTheAccessors) {
    InstalledFactoryScope scope;
    GPlatformEncodingFactory::SetInstance(nullptr);
    EXPECT_EQ(GPlatformEncoding::GetInstance(), nullptr);
    EXPECT_EQ(GShiftJISEncoding::GetInstance(), nullptr);

    auto* factory = new PMacPlatformEncodingFactory;
    GPlatformEncodingFactory::SetInstance(factory);
    EXPECT_EQ(GPlatformEncodingFactory::GetInstance(), factory);
    EXPECT_EQ(GPlatformEncoding::GetInstance(), factory->GetPlatformEncoding());
    EXPECT_EQ(GShiftJISEncoding::GetInstance(), factory->GetShiftJISEncoding());

    // Installing the same factory again keeps it alive.
    GPlatformEncodingFactory::SetInstance(factory);
    EXPECT_EQ(GPlatformEncodingFactory::GetInstance(), factory);
    GSharedObject<GPlatformEncoding> held(GShiftJISEncoding::GetInstance());
    EXPECT_EQ(held->GetRefCount(), 3);

    // Another factory deletes the old one, which lets go of its encodings.
    GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    EXPECT_EQ(held->GetRefCount(), 1);
    EXPECT_NE(GShiftJISEncoding::GetInstance(), held.Get());
}

}  // namespace
