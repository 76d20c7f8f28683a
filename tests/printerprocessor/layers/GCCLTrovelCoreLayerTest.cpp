#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/text/GStringPool.h"
#include "core/values/GProcessInfo.h"
#include "printerprocessor/sharedmemory/GShMemID.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "support/ChildCheck.h"

namespace {

using Layer = GCCLTrovelCoreLayer;
using Foundation = GBasicFrameworkCoreLayer;

std::string Text(GShMemID const& id) {
    GBuffer const& bytes = id;
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

// Both layers count per process: each case runs in a child that first brings both counts back
// to 0 (this test process started the foundation and filled the identifiers).
void InFreshProcess(std::function<void()> const& body) {
    ExpectPassesInChild([&] {
        while (Layer::GetInitCount() != 0)
            Layer::Finalize();
        GShMemID::Finalize();
        while (Foundation::GetInitCount() != 0)
            Foundation::Finalize();
        body();
        Foundation::SetStepHook(nullptr);
    });
}

TEST(GCCLTrovelCoreLayer, SpecialIdentifiersLiveFromTheFirstInitializeToTheLastFinalize) {
    InFreshProcess([] {
        EXPECT_TRUE(GShMemID::GetSpecialID(201).IsEmpty());
        ASSERT_TRUE(Layer::Initialize());
        EXPECT_EQ(Foundation::GetInitCount(), 1u);
        EXPECT_NE(GProcessInfo::GetInstance(), nullptr);
        EXPECT_EQ(Text(GShMemID::GetSpecialID(1)), "P");
        EXPECT_EQ(Text(GShMemID::GetSpecialID(201)), "GIPC");
        EXPECT_EQ(Text(GShMemID::GetSpecialID(202)), "GIPCTest");
        // Nested: only counted, the foundation is not started again.
        ASSERT_TRUE(Layer::Initialize());
        EXPECT_EQ(Foundation::GetInitCount(), 1u);
        Layer::Finalize();
        EXPECT_EQ(Text(GShMemID::GetSpecialID(201)), "GIPC");
        Layer::Finalize();
        EXPECT_TRUE(GShMemID::GetSpecialID(201).IsEmpty());
        EXPECT_TRUE(GShMemID::GetSpecialID(1).IsEmpty());
        EXPECT_EQ(Foundation::GetInitCount(), 0u);
        EXPECT_EQ(GProcessInfo::GetInstance(), nullptr);
        // One Finalize too many leaves the count at 0: the next pair still starts and stops.
        Layer::Finalize();
        EXPECT_EQ(Layer::GetInitCount(), 0);
        ASSERT_TRUE(Layer::Initialize());
        EXPECT_EQ(Text(GShMemID::GetSpecialID(202)), "GIPCTest");
        Layer::Finalize();
        EXPECT_TRUE(GShMemID::GetSpecialID(202).IsEmpty());
        EXPECT_EQ(Foundation::GetInitCount(), 0u);
    });
}

TEST(GCCLTrovelCoreLayer, RegistersItsTexts) {
    InFreshProcess([] {
        ASSERT_TRUE(Layer::Initialize());
        struct Row {
            int id;
            char const* text;
        } const rows[] = {
            {30050000, "Could not create the semaphore (common resources lock)"},
            {30050001, "Could not lock the semaphore"},
            {30050002, "Could not unlock the semaphore"},
            {30050003, "Named semaphore already exist but could not unlink"},
        };
        for (Row const& row : rows)
            EXPECT_EQ(GStringPool::GetString(GString("enUS"), row.id), GString(row.text)) << row.id;
        Layer::Finalize();
    });
}

bool FailTheUnicodeTables(Foundation::Step step) { return step != Foundation::kStartUnicodeTables; }

TEST(GCCLTrovelCoreLayer, FailedFoundationStartReportsFalseAndKeepsTheCountsMatched) {
    InFreshProcess([] {
        Foundation::SetStepHook(&FailTheUnicodeTables);
        EXPECT_FALSE(Layer::Initialize());
        Foundation::SetStepHook(nullptr);
        EXPECT_TRUE(GShMemID::GetSpecialID(201).IsEmpty());
        // Later starts report the failure too, until the count is back to 0.
        EXPECT_FALSE(Layer::Initialize());
        EXPECT_EQ(Foundation::GetInitCount(), 1u);
        Layer::Finalize();
        EXPECT_EQ(Foundation::GetInitCount(), 1u);
        Layer::Finalize();
        EXPECT_EQ(Foundation::GetInitCount(), 0u);
        ASSERT_TRUE(Layer::Initialize());
        EXPECT_EQ(Text(GShMemID::GetSpecialID(201)), "GIPC");
        Layer::Finalize();
        EXPECT_EQ(Foundation::GetInitCount(), 0u);
    });
}

}  // namespace
