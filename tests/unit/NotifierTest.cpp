// Posting notifications: the log list, the echo, and the game text handed to the game.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "core/notify/Notifier.h"

namespace clipwarden::test {
namespace {

struct Posting : ::testing::Test {
    FakeMainView view;
    FakeGameText game;
    std::ostringstream echo;
    Notifier notifier{view, game, echo};
};

TEST_F(Posting, TwoEmptyTextsChangeNothing) {
    notifier.PostNotification("", "");
    EXPECT_TRUE(view.log.empty());
    EXPECT_EQ(echo.str(), "");
    EXPECT_TRUE(game.shown.empty());
}

TEST_F(Posting, ALogTextIsAddedSelectedAndEchoed) {
    notifier.PostNotification("first", "");
    notifier.PostNotification("second", "");
    EXPECT_EQ(view.log, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(view.selectedLine, 1);
    EXPECT_EQ(echo.str(), "first\nsecond\n");
    EXPECT_TRUE(game.shown.empty());
}

TEST_F(Posting, AnEchoThatFailsIsGivenUpAndTheLogGoesOn) {
    notifier.PostNotification("first", "");
    echo.setstate(std::ios::badbit); // the reader of standard output has gone away
    notifier.PostNotification("second", "");
    echo.clear();
    notifier.PostNotification("third", "shown");
    EXPECT_EQ(echo.str(), "first\n") << "no more writing once a write has failed";
    EXPECT_EQ(view.log, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(game.shown, (std::vector<std::string>{"shown"}));
}

TEST_F(Posting, OnlyAGameTextGoesToTheGame) {
    notifier.PostNotification("log", "shown");
    notifier.PostNotification("playback started", "");
    EXPECT_EQ(game.shown, (std::vector<std::string>{"shown"}));
    EXPECT_EQ(view.log.size(), 2U);
}

TEST(NotificationTexts, GameTextsColourTheTimeAndTheName) {
    EXPECT_EQ(GameText("2:03:27 PM", "x.rep", " saved!"), "~h~[2:03:27 PM] ~w~~b~x.rep~w~ saved!");
}

} // namespace
} // namespace clipwarden::test
