#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/signals/GBasicSignals.h"
#include "core/signals/GSignalBase.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "services/messages/GUserMessage.h"
#include "services/messages/GUserMessageHandler.h"
#include "services/paths/GPathName.h"
#include "support/FoundationStartup.h"
#include "support/Watchdog.h"

namespace {

// Records the error boxes it is asked to show.
std::string Text(GString const& s) {
    GBuffer bytes = s.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

class RecordingMessage : public GUserMessage {
public:
    explicit RecordingMessage(std::vector<std::string>& shown, bool* deleted = nullptr)
        : mShown(shown), mDeleted(deleted) {}
    ~RecordingMessage() override {
        if (mDeleted != nullptr)
            *mDeleted = true;
    }
    void ShowErrorMessage(GString const& title, GString const& message) const override {
        mShown.push_back(Text(title) + ":" + Text(message));
    }
    int ShowYesNoMessage(GString const&, GString const&) const override { return 0; }

private:
    std::vector<std::string>& mShown;
    bool* mDeleted;
};

class Lambda : public GCommand {
public:
    explicit Lambda(std::function<void()> run) : mRun(std::move(run)) {}
    void Execute() override { mRun(); }

private:
    std::function<void()> mRun;
};

class GUserMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        GSignalBase::Initialize();
        GUserMessageHandler::Initialize();
    }
    void TearDown() override {
        GUserMessageHandler::Finalize();
        GUserMessage::SetInstance(nullptr);
        GSignalBase::Finalize();
    }
    std::vector<std::string> mShown;
};

}  // namespace

TEST_F(GUserMessageTest, DefaultInstanceAnswersWithoutAsking) {
    GUserMessage const* m = GUserMessage::GetInstance();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GUserMessage::GetInstance(), m);
    EXPECT_TRUE(GUserMessage::HasDefaultInstance());
    const GString t("Title"), s("Text");
    EXPECT_EQ(m->ShowMessage(t, s), 1);
    EXPECT_EQ(m->ShowWarningMessage(t, s), 1);
    EXPECT_EQ(m->ShowYesNoMessage(t, s), 1);
    GPathName path;
    EXPECT_EQ(m->ShowOpenFolder(t, path), 0);
    EXPECT_EQ(m->ChooseSave(t, s, nullptr, path), 0);
    EXPECT_EQ(m->ShowFileChooserDialog(t, static_cast<GFileType const*>(nullptr), path), 1);
    GTable<GPathName> paths;
    paths.AddItem(GPathName());
    EXPECT_EQ(m->ShowFileChooserDialog(t, static_cast<GFileType const*>(nullptr), paths), 1);
    EXPECT_EQ(paths.GetCount(), 0);
    bool remember = true;
    EXPECT_EQ(m->ShowPreferenceMessage(t, s, remember, true), 0);
    GBuffer secret;
    secret.SetLength(8);
    EXPECT_EQ(m->ShowPasswordDialog(t, s, secret), 0);
    EXPECT_EQ(secret.GetLength(), 0);
    GString text("old");
    EXPECT_EQ(m->CreatePasswordDialog(t, s, text), 0);
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(GUserMessageTest, InstalledInstanceIsDeletedWhenReplaced) {
    bool deleted = false;
    auto* mine = new RecordingMessage(mShown, &deleted);
    GUserMessage::SetInstance(mine);
    EXPECT_FALSE(GUserMessage::HasDefaultInstance());
    EXPECT_EQ(GUserMessage::GetInstance(), mine);
    EXPECT_EQ(GUserMessage::GetInstance()->ShowYesNoMessage(GString("a"), GString("b")), 0);
    GUserMessage::SetInstance(nullptr);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(GUserMessage::HasDefaultInstance());
    EXPECT_EQ(GUserMessage::GetInstance()->ShowYesNoMessage(GString("a"), GString("b")), 1);
}

TEST_F(GUserMessageTest, QueuedErrorsShowInOrderInOneIdleDelivery) {
    GUserMessage::SetInstance(new RecordingMessage(mShown));
    GUserMessageHandler* handler = GUserMessageHandler::GetInstance();
    ASSERT_NE(handler, nullptr);
    EXPECT_FALSE(handler->IsSubscribed(GBasicSignals::kIdleTime));
    handler->RegisterErrorMessage(GString("Export"), GString("first"));
    handler->RegisterErrorMessage(GString("Export"), GString("second"));
    EXPECT_EQ(handler->CountSubscriptions(GBasicSignals::kIdleTime), 1);
    EXPECT_TRUE(mShown.empty());
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(mShown, (std::vector<std::string>{"Export:first", "Export:second"}));
    EXPECT_FALSE(handler->IsSubscribed(GBasicSignals::kIdleTime));
    GBasicSignals::DevoteTimeToRepeaters();  // other signals run nothing
    EXPECT_EQ(mShown.size(), 2u);
}

TEST_F(GUserMessageTest, CommandQueuedByACommandRunsInTheSameDelivery) {
    GUserMessageHandler* handler = GUserMessageHandler::GetInstance();
    std::vector<int> order;
    handler->RegisterMessage(GAutoPtr<GCommand>(new Lambda([&] {
        order.push_back(1);
        handler->RegisterMessage(GAutoPtr<GCommand>(new Lambda([&] { order.push_back(2); })));
    })));
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(handler->IsSubscribed(GBasicSignals::kIdleTime));
}

TEST_F(GUserMessageTest, ThrowingCommandLeavesTheRestForTheNextDelivery) {
    GUserMessageHandler* handler = GUserMessageHandler::GetInstance();
    std::vector<int> order;
    handler->RegisterMessage(GAutoPtr<GCommand>(new Lambda([] { throw std::runtime_error("boom"); })));
    handler->RegisterMessage(GAutoPtr<GCommand>(new Lambda([&] { order.push_back(2); })));
    EXPECT_ANY_THROW(GBasicSignals::DevoteTimeToIdlers());
    EXPECT_EQ(handler->CountQueued(), 1);
    EXPECT_TRUE(handler->IsSubscribed(GBasicSignals::kIdleTime));
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(order, (std::vector<int>{2}));
}

TEST_F(GUserMessageTest, FinalizeDeletesQueuedCommandsWithoutRunning) {
    bool ran = false;
    GUserMessageHandler::GetInstance()->RegisterMessage(GAutoPtr<GCommand>(new Lambda([&] { ran = true; })));
    GUserMessageHandler::GetInstance()->RegisterMessage(GAutoPtr<GCommand>());  // null: ignored
    EXPECT_EQ(GUserMessageHandler::GetInstance()->CountQueued(), 1);
    GUserMessageHandler::Finalize();
    EXPECT_EQ(GUserMessageHandler::GetInstance(), nullptr);
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_FALSE(ran);
}

TEST_F(GUserMessageTest, ConcurrentThreadsQueueWhileTheMainThreadDelivers) {
    Watchdog watchdog(std::chrono::seconds(30), "message queue");
    GUserMessageHandler* handler = GUserMessageHandler::GetInstance();
    std::atomic<int> ran{0};
    constexpr int cThreads = 4, cEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < cThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < cEach; ++i)
                handler->RegisterMessage(GAutoPtr<GCommand>(new Lambda([&] { ++ran; })));
        });
    for (int i = 0; i < 2000 && ran.load() < cThreads * cEach; ++i) {
        GBasicSignals::DevoteTimeToIdlers();
        std::this_thread::yield();
    }
    for (std::thread& thread : threads)
        thread.join();
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(ran.load(), cThreads * cEach);
    EXPECT_EQ(handler->CountQueued(), 0);
    EXPECT_FALSE(handler->IsSubscribed(GBasicSignals::kIdleTime));
}
