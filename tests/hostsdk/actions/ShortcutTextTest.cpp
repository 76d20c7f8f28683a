#include "hostsdk/actions/ShortcutText.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortcutTextTest, ParsesModifiersInAnyOrderAndCase) {
    struct Case {
        const char* text;
        VirtualKey key;
        std::int16_t modifiers;
        bool functionKey;
        const char* shown;
    };
    const Case cases[] = {
        {"Opt+Shift+E", 'E', ShortcutText::kOption | ShortcutText::kShift, false, "Opt+Shift+E"},
        {"shift+opt+b", 'B', ShortcutText::kOption | ShortcutText::kShift, false, "Opt+Shift+B"},
        {"Shift+Ctrl+Opt+Cmd+1", '1', 15, false, "Cmd+Ctrl+Opt+Shift+1"},
        {"Cmd+F5", ShortcutText::kFunctionKeyBase + 5, ShortcutText::kCommand, true, "Cmd+F5"},
        {"F15", ShortcutText::kFunctionKeyBase + 15, 0, true, "F15"},
        {"Ctrl+,", ',', ShortcutText::kControl, false, "Ctrl+,"},
    };
    for (const Case& c : cases) {
        VirtualKey key = 0;
        std::int16_t modifiers = 0;
        bool functionKey = false;
        ASSERT_TRUE(ShortcutText::Parse(c.text, key, modifiers, functionKey)) << c.text;
        EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(modifiers, c.modifiers) << c.text;
        EXPECT_EQ(functionKey, c.functionKey) << c.text;
        EXPECT_EQ(ShortcutText::Format(key, modifiers), c.shown);
    }
}

TEST(ShortcutTextTest, RejectsWhatIsNoShortcutAndLeavesTheOutputs) {
    for (const char* text : {"", "Opt+", "Hyper+E", "Opt+EE", "F0", "F16", "F05", "Opt++", "+E", "Opt+ ", "Opt+\xC3\x84"}) {
        VirtualKey key = 9;
        std::int16_t modifiers = 9;
        bool functionKey = true;
        EXPECT_FALSE(ShortcutText::Parse(text, key, modifiers, functionKey)) << text;
        EXPECT_EQ(key, 9u);
        EXPECT_EQ(modifiers, 9);
        EXPECT_TRUE(functionKey);
    }
}

}  // namespace
