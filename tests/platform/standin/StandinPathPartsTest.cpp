#include <gtest/gtest.h>

#include <string>

#include "standin/StandinPathParts.h"

namespace {

struct PartsRow {
    std::string path;
    std::string branch;
    std::string leaf;
};

TEST(StandinPathPartsTest, SplitsAtTheLastSlashOnly) {
    const PartsRow rows[] = {
        {"/a/b", "/a", "b"}, {"/a", "/", "a"}, {"a", ".", "a"}, {"/a/", "/a", ""},
        {"/", "/", ""},      {"", ".", ""},    {"a//b", "a/", "b"},
    };
    for (PartsRow const& row : rows) {
        EXPECT_EQ(StandinPathParts::Branch(row.path), row.branch) << row.path;
        EXPECT_EQ(StandinPathParts::Leaf(row.path), row.leaf) << row.path;
    }
}

}  // namespace
