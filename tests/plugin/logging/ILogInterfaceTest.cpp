// The logger fan-out: the global logger first, then every self-registered logger, each once.
#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "plugin/logging/ILogInterface.h"

using Kelvora::ILogInterface;

namespace {

struct Entry {
    QString logger;
    int severity;
    QString message;
    QString location;
};

std::vector<Entry>& Journal() {
    static std::vector<Entry> journal;
    return journal;
}

class RecordingLogger : public ILogInterface {
public:
    RecordingLogger(QString name, bool registerSelf, bool* deleted = nullptr)
        : ILogInterface(registerSelf), m_name(std::move(name)), m_deleted(deleted) {}
    ~RecordingLogger() override {
        if (m_deleted)
            *m_deleted = true;
    }
    void DoLog(Severity severity, const QString& message, const QString& location) override {
        Journal().push_back({m_name, severity, message, location});
        if (onLog)
            onLog();
    }
    std::function<void()> onLog;

private:
    QString m_name;
    bool* m_deleted;
};

int CountFor(const QString& logger) {
    int n = 0;
    for (const Entry& e : Journal())
        n += e.logger == logger;
    return n;
}

class ILogInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ILogInterface::FinalizeGlobalLogger();
        Journal().clear();
    }
    void TearDown() override { ILogInterface::FinalizeGlobalLogger(); }
};

TEST_F(ILogInterfaceTest, WithoutLoggersEveryCallIsWithoutEffect) {
    EXPECT_EQ(ILogInterface::GetGlobalLogger(), nullptr);
    log_assert("a", "here");
    log_debug("b", "here");
    log_error("c", "here");
    ILogInterface::Log("d", "here");
    ILogInterface::Log(7, "e", "here");
    EXPECT_TRUE(Journal().empty());
}

TEST_F(ILogInterfaceTest, EachCallCarriesItsSeverityMessageAndLocation) {
    RecordingLogger logger("r", true);
    struct Case {
        std::function<void()> call;
        int severity;
        const char* message;
    };
    const Case cases[] = {
        {[] { log_assert("assert", "OpenArchive"); }, -2, "assert"},
        {[] { log_debug("debug", "OpenArchive"); }, -1, "debug"},
        {[] { ILogInterface::Log("plain", "OpenArchive"); }, 1, "plain"},
        {[] { log_error("error", "OpenArchive"); }, 3, "error"},
        {[] { ILogInterface::Log(5, "other", "OpenArchive"); }, 5, "other"},
    };
    for (const Case& c : cases) {
        Journal().clear();
        c.call();
        ASSERT_EQ(Journal().size(), 1u) << c.message;
        EXPECT_EQ(Journal()[0].severity, c.severity) << c.message;
        EXPECT_EQ(Journal()[0].message, c.message);
        EXPECT_EQ(Journal()[0].location, "OpenArchive");
    }
}

TEST_F(ILogInterfaceTest, TheGlobalLoggerHearsFirstAndARegisteredGlobalHearsTwice) {
    RecordingLogger registered("registered", true);
    ILogInterface::InitializeGlobalLogger(new RecordingLogger("global", false));
    log_error("x", "y");
    ASSERT_EQ(Journal().size(), 2u);
    EXPECT_EQ(Journal()[0].logger, "global");
    EXPECT_EQ(Journal()[1].logger, "registered");

    Journal().clear();
    ILogInterface::InitializeGlobalLogger(new RecordingLogger("both", true));
    log_error("x", "y");
    EXPECT_EQ(CountFor("both"), 2);
    EXPECT_EQ(CountFor("registered"), 1);
    EXPECT_EQ(CountFor("global"), 0);
}

TEST_F(ILogInterfaceTest, AnUnregisteredLoggerHearsOnlyAsTheGlobalLogger) {
    auto* plain = new RecordingLogger("plain", false);
    log_debug("before", "loc");
    EXPECT_EQ(CountFor("plain"), 0);
    ILogInterface::InitializeGlobalLogger(plain);
    log_debug("after", "loc");
    EXPECT_EQ(CountFor("plain"), 1);
    EXPECT_FALSE(plain->IsRegistered());
}

TEST_F(ILogInterfaceTest, InstallingAGlobalLoggerDeletesThePreviousOne) {
    bool firstDeleted = false;
    bool secondDeleted = false;
    auto* first = new RecordingLogger("first", false, &firstDeleted);
    ILogInterface::InitializeGlobalLogger(first);
    EXPECT_EQ(ILogInterface::GetGlobalLogger(), first);

    // Installing the same logger again keeps it alive.
    ILogInterface::InitializeGlobalLogger(first);
    EXPECT_FALSE(firstDeleted);
    EXPECT_EQ(ILogInterface::GetGlobalLogger(), first);

    auto* second = new RecordingLogger("second", false, &secondDeleted);
    ILogInterface::InitializeGlobalLogger(second);
    EXPECT_TRUE(firstDeleted);
    EXPECT_FALSE(secondDeleted);
    log_error("x", "y");
    EXPECT_EQ(CountFor("second"), 1);

    ILogInterface::FinalizeGlobalLogger();
    EXPECT_TRUE(secondDeleted);
    EXPECT_EQ(ILogInterface::GetGlobalLogger(), nullptr);
    ILogInterface::FinalizeGlobalLogger();  // none installed: nothing to do
}

TEST_F(ILogInterfaceTest, RegisteredLoggersHearUntilTheyAreDestroyed) {
    RecordingLogger a("a", true);
    auto b = std::make_unique<RecordingLogger>("b", true);
    RecordingLogger c("c", true);
    log_error("1", "loc");
    EXPECT_EQ(CountFor("a"), 1);
    EXPECT_EQ(CountFor("b"), 1);
    EXPECT_EQ(CountFor("c"), 1);
    b.reset();
    log_error("2", "loc");
    EXPECT_EQ(CountFor("a"), 2);
    EXPECT_EQ(CountFor("b"), 1);
    EXPECT_EQ(CountFor("c"), 2);
}

TEST_F(ILogInterfaceTest, ALoggerDestroyedDuringTheWalkIsNotCalled) {
    // Whichever of the two hears first destroys the other; the other must not be called.
    auto first = std::make_unique<RecordingLogger>("first", true);
    auto second = std::make_unique<RecordingLogger>("second", true);
    first->onLog = [&] { second.reset(); };
    second->onLog = [&] { first.reset(); };
    log_error("x", "y");
    EXPECT_EQ(Journal().size(), 1u);
    EXPECT_EQ((first ? 1 : 0) + (second ? 1 : 0), 1);
}

TEST_F(ILogInterfaceTest, ALoggerCreatedDuringTheWalkHearsFromTheNextCall) {
    std::unique_ptr<RecordingLogger> late;
    RecordingLogger creator("creator", true);
    creator.onLog = [&] {
        if (!late)
            late = std::make_unique<RecordingLogger>("late", true);
    };
    log_error("1", "loc");
    EXPECT_EQ(CountFor("late"), 0);
    log_error("2", "loc");
    EXPECT_EQ(CountFor("late"), 1);
}

}  // namespace
