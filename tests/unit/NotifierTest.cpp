// Posting notifications: the log list, the echo, and the game text handed to the game.

#include <gtest/gtest.h>

#include <algorithm>

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

TEST_F(Posting, ANameCannotSplitALineNorPassForAnother) {
    using namespace std::string_literals;
    PostNamed(notifier, "14:03:27", "a.rep saved!\n[14:03:28] b.rep"s, " saved!");
    PostNamed(notifier, "14:03:27", "c\0d\x01\x7F.rep"s, " saved!");
    PostNamed(notifier, "14:03:27", "\xE9t\xC3\xA9\xE2\x80\xA8.rep",
              " saved!"); // Latin-1, UTF-8, U+2028
    PostNamed(notifier, "14:03:27", "x\\n~r~.rep", " saved!");
    ASSERT_EQ(view.log.size(), 4U);
    EXPECT_EQ(view.log[0], "[14:03:27] a.rep saved!\\n[14:03:28] b.rep saved!");
    EXPECT_EQ(view.log[1], "[14:03:27] c\\0d\\x01\\x7F.rep saved!");
    EXPECT_EQ(view.log[2], "[14:03:27] \\xE9t\xC3\xA9\\xE2\\x80\\xA8.rep saved!");
    // The escape of a newline and a backslash followed by "n" stay apart; on Windows, where
    // a name holds no newline, the backslash is a path's own.
#ifdef _WIN32
    const std::string backslash = "\\";
#else
    const std::string backslash = "\\\\";
#endif
    EXPECT_EQ(view.log[3], "[14:03:27] x" + backslash + "n~r~.rep saved!");
    const std::string echoed = echo.str();
    EXPECT_EQ(echoed.find('\0'), std::string::npos);
    EXPECT_EQ(std::count(echoed.begin(), echoed.end(), '\n'), 4);
    // In the game, a tilde of the name starts no colour code.
    EXPECT_EQ(game.shown.back(), "~h~[14:03:27] ~w~~b~x" + backslash + "n-r-.rep~w~ saved!");
}

} // namespace
} // namespace clipwarden::test
