// Posting notifications: the log list, the echo, and the single game-text slot.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "notify/Notifier.h"

namespace clipwarden::test {
namespace {

struct Posting : ::testing::Test {
    AppState state;
    FakeMainView view;
    std::ostringstream echo;
    Notifier notifier{state, view, echo};
};

TEST_F(Posting, TwoEmptyTextsChangeNothing) {
    state.gameTextTicks = 3;
    state.pendingGameText = "shown";
    notifier.PostNotification("", "");
    EXPECT_TRUE(view.log.empty());
    EXPECT_EQ(echo.str(), "");
    EXPECT_FALSE(view.timer3);
    EXPECT_EQ(state.gameTextTicks, 3);
}

TEST_F(Posting, ALogTextIsAddedSelectedAndEchoed) {
    notifier.PostNotification("first", "");
    notifier.PostNotification("second", "");
    EXPECT_EQ(view.log, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(view.selectedLine, 1);
    EXPECT_EQ(echo.str(), "first\nsecond\n");
    EXPECT_FALSE(view.timer3);
}

TEST_F(Posting, AGameTextReplacesTheSlotAndRestartsTheCount) {
    notifier.PostNotification("", "one");
    state.gameTextTicks = 2;
    notifier.PostNotification("log", "two");
    EXPECT_EQ(state.pendingGameText, "two");
    EXPECT_EQ(state.gameTextTicks, 5);
    EXPECT_TRUE(view.timer3);
    notifier.PostNotification("playback started", "");
    EXPECT_EQ(state.pendingGameText, "two");
    EXPECT_EQ(state.gameTextTicks, 5);
}

TEST_F(Posting, AGameTextKeepsItsFirst512Characters) {
    std::string text;
    for (int i = 0; i < 600; ++i) {
        text += "\xc3\xa9"; // two bytes, one character
    }
    notifier.PostNotification("", text);
    EXPECT_EQ(state.pendingGameText, text.substr(0, 1024));
}

TEST(NotificationTexts, TemplatesAreBuiltFromTheirPieces) {
    EXPECT_EQ(LogText("2:03:27 PM", "x.rep saved!"), "[2:03:27 PM] x.rep saved!");
    EXPECT_EQ(GameText("2:03:27 PM", "x.rep", " saved!"), "~h~[2:03:27 PM] ~w~~b~x.rep~w~ saved!");
    EXPECT_EQ(FailureSuffix("Access denied"), ": Access denied!");
}

} // namespace
} // namespace clipwarden::test
