#include "hostsdk/documents/HostPageRange.h"

#include <gtest/gtest.h>

namespace {

// Seven pages: 1-3 without prefix, then "A" numbered from 1 (A:1-A:2), then "B" from 10 (B:10-B:11).
const std::vector<HostSectionRecord> kSections = {{4, "A", 1}, {6, "B", 10}};

TEST(HostPageRangeTest, RangesSelectPagesInTheOrderNamed) {
    struct Case {
        const char* text;
        std::vector<int> pages;
    };
    const Case cases[] = {
        {"1-3", {0, 1, 2}},
        {" 3 , 1 ", {2, 0}},
        {"A:1-B:10", {3, 4, 5}},
        {"+4-+5", {3, 4}},
        // An unprefixed number names the first page numbered so: page 1, not A:1.
        {"1", {0}},
        {"10", {5}},
        {":2", {1}},
        {"2-3,1-2", {1, 2, 0}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case& c : cases) {
        std::vector<int> pages = {99};
        std::string error;
        EXPECT_TRUE(HostPageRange::Parse(c.text, 7, kSections, pages, error)) << c.text << ": " << error;
        EXPECT_EQ(pages, c.pages) << c.text;
    }
}

TEST(HostPageRangeTest, MalformedRangesAndAbsentPagesFailAndLeaveTheList) {
    const char* const cases[] = {"8", "+8", "+0", "0", "1,,2", ",", "1-", "-2", "1-2-3", "3-1", "C:1", "A:3",
                                 "x",  "1x", "+",  "1 2", "99999999999", "B:10-A:1"};
    for (const char* text : cases) {
        std::vector<int> pages = {99};
        std::string error;
        EXPECT_FALSE(HostPageRange::Parse(text, 7, kSections, pages, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(pages, std::vector<int>{99}) << text;
    }
}

TEST(HostPageRangeTest, PageNamesFollowTheSections) {
    EXPECT_EQ(HostPageRange::PageName(0, kSections), "1");
    EXPECT_EQ(HostPageRange::PageName(3, kSections), "A:1");
    EXPECT_EQ(HostPageRange::PageName(6, kSections), "B:11");
    EXPECT_EQ(HostPageRange::PageName(2, {}), "3");
    // A first section from page 1 replaces the one without prefix.
    EXPECT_EQ(HostPageRange::PageName(1, {{1, "i", 5}}), "i:6");
}

}  // namespace
