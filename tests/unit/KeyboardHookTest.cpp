// The F5/F6 latches over key events.

#include <gtest/gtest.h>

#include <string>

#include "hotkeys/KeyboardHook.h"

namespace clipwarden::test {
namespace {

struct Hook : ::testing::Test {
    std::string actions;
    bool latchSeenInAction = true;
    KeyboardHook hook{[this] {
                          actions += "P";
                          latchSeenInAction = hook.keyLatchPrev();
                      },
                      [this] {
                          actions += "N";
                          latchSeenInAction = hook.keyLatchNext();
                      }};
    int passedOn = 0;

    std::intptr_t Key(std::uint32_t vk, std::uint32_t flags) {
        KeyEvent event;
        event.vkCode = vk;
        event.flags = flags;
        return hook.KeyboardHookProc(event, [this] {
            ++passedOn;
            return std::intptr_t{99};
        });
    }
};

TEST_F(Hook, EveryEventIsPassedOnAndItsAnswerReturned) {
    EXPECT_EQ(Key(kVkF6, 0), 99);
    EXPECT_EQ(Key(kVkF6, 128), 99);
    EXPECT_EQ(Key('A', 0), 99);
    EXPECT_EQ(passedOn, 3);
}

TEST_F(Hook, HoldingF6SelectsOnceUntilReleased) {
    Key(kVkF6, 0);
    Key(kVkF6, 0);
    Key(kVkF6, 0);
    EXPECT_EQ(actions, "N");
    Key(kVkF6, 128);
    Key(kVkF6, 0);
    EXPECT_EQ(actions, "NN");
}

TEST_F(Hook, F5AndF6HaveSeparateLatches) {
    Key(kVkF5, 0);
    Key(kVkF6, 0);
    Key(kVkF5, 0);
    EXPECT_EQ(actions, "PN");
    EXPECT_TRUE(hook.keyLatchPrev());
    EXPECT_TRUE(hook.keyLatchNext());
}

TEST_F(Hook, FlagsAreComparedAsAWholeValue) {
    Key(kVkF5, kFlagAltDown);
    Key(kVkF5, kFlagInjected);
    Key(kVkF5, kFlagExtended);
    EXPECT_EQ(actions, "");
    EXPECT_FALSE(hook.keyLatchPrev());
}

TEST_F(Hook, AReleaseWithAltHeldKeepsTheLatch) {
    Key(kVkF6, 0);
    Key(kVkF6, 160);
    EXPECT_TRUE(hook.keyLatchNext());
    Key(kVkF6, 0);
    EXPECT_EQ(actions, "N");
    Key(kVkF6, 128);
    EXPECT_FALSE(hook.keyLatchNext());
    Key(kVkF6, 0);
    EXPECT_EQ(actions, "NN");
}

TEST_F(Hook, OtherKeysChangeNothing) {
    for (std::uint32_t vk : {0U, 115U, 118U, 164U, 65U}) {
        Key(vk, 0);
        Key(vk, 128);
    }
    EXPECT_EQ(actions, "");
    EXPECT_FALSE(hook.keyLatchPrev());
    EXPECT_FALSE(hook.keyLatchNext());
}

TEST_F(Hook, TheActionHasReturnedBeforeTheLatchIsSet) {
    Key(kVkF5, 0);
    EXPECT_FALSE(latchSeenInAction);
    EXPECT_TRUE(hook.keyLatchPrev());
    Key(kVkF6, 0);
    EXPECT_FALSE(latchSeenInAction);
}

} // namespace
} // namespace clipwarden::test
