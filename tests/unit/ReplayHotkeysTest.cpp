// The F5/F6 latches over key events.

#include <gtest/gtest.h>

#include <string>

#include "core/hotkeys/ReplayHotkeys.h"

namespace clipwarden::test {
namespace {

struct Hotkeys : ::testing::Test {
    std::string actions;
    bool heldSeenInAction = true;
    ReplayHotkeys hotkeys{[this] {
                              actions += "P";
                              heldSeenInAction = hotkeys.f5Held();
                          },
                          [this] {
                              actions += "N";
                              heldSeenInAction = hotkeys.f6Held();
                          }};

    void Press(Key key, bool alt = false, bool injected = false) {
        hotkeys.OnKey({key, true, alt, injected});
    }
    void Release(Key key, bool alt = false, bool injected = false) {
        hotkeys.OnKey({key, false, alt, injected});
    }
};

TEST_F(Hotkeys, HoldingF6SelectsOnceUntilReleased) {
    Press(Key::F6);
    Press(Key::F6); // auto-repeat
    Press(Key::F6);
    EXPECT_EQ(actions, "N");
    Release(Key::F6);
    Press(Key::F6);
    EXPECT_EQ(actions, "NN");
}

TEST_F(Hotkeys, F5AndF6HaveSeparateLatches) {
    Press(Key::F5);
    Press(Key::F6);
    Press(Key::F5);
    EXPECT_EQ(actions, "PN");
    Release(Key::F5);
    EXPECT_FALSE(hotkeys.f5Held());
    EXPECT_TRUE(hotkeys.f6Held());
}

TEST_F(Hotkeys, APressWithAltHeldOrInjectedSelectsNothing) {
    Press(Key::F5, true);
    Press(Key::F5, false, true);
    Press(Key::F6, true, true);
    EXPECT_EQ(actions, "");
    EXPECT_FALSE(hotkeys.f5Held());
    EXPECT_FALSE(hotkeys.f6Held());
}

TEST_F(Hotkeys, AReleaseWithAltHeldKeepsTheKeyHeld) {
    Press(Key::F6);
    Release(Key::F6, true);
    EXPECT_TRUE(hotkeys.f6Held());
    Press(Key::F6);
    EXPECT_EQ(actions, "N") << "still held: the next plain press does not select";
    Release(Key::F6);
    Press(Key::F6);
    EXPECT_EQ(actions, "NN");
}

TEST_F(Hotkeys, AnInjectedReleaseDoesNotFreeTheKey) {
    Press(Key::F5);
    Release(Key::F5, false, true);
    Press(Key::F5);
    EXPECT_EQ(actions, "P");
}

TEST_F(Hotkeys, OtherKeysChangeNothing) {
    Press(Key::Other);
    Release(Key::Other);
    EXPECT_EQ(actions, "");
    EXPECT_FALSE(hotkeys.f5Held());
    EXPECT_FALSE(hotkeys.f6Held());
}

TEST_F(Hotkeys, TheActionHasReturnedBeforeTheKeyCountsAsHeld) {
    Press(Key::F5);
    EXPECT_FALSE(heldSeenInAction);
    EXPECT_TRUE(hotkeys.f5Held());
    Press(Key::F6);
    EXPECT_FALSE(heldSeenInAction);
}

} // namespace
} // namespace clipwarden::test
