// What the command line asks for.

#include <gtest/gtest.h>

#include "core/presenters/CommandLine.h"

namespace clipwarden::test {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, NothingRunsHelpAndVersionAnswer) {
    EXPECT_EQ(ParseCommandLine({}).action, Action::Run);
    EXPECT_EQ(ParseCommandLine({"--help"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::Version);
    EXPECT_EQ(ParseCommandLine({"--version", "--help"}).action, Action::Help);
    EXPECT_EQ(VersionText().rfind("Clipwarden ", 0), 0U);
    EXPECT_NE(HelpText().find("--version"), std::string::npos);
}

TEST(CommandLine, AnythingElseIsAnErrorThatSaysWhat) {
    const CommandLine unknown = ParseCommandLine({"--verbose"});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_EQ(unknown.error, "unknown option '--verbose'; see clipwarden --help");
    EXPECT_EQ(ParseCommandLine({"game.exe"}).error, "unexpected 'game.exe'; see clipwarden --help");
}

TEST(CommandLine, EverythingAfterLaunchIsACommandKeptAsItIs) {
    // Steam's %command% holds options of its own.
    const CommandLine steam = ParseCommandLine(
        {"--launch", "/steam/reaper", "--verb=waitforexitandrun", "--", "--help", "--launch"});
    EXPECT_EQ(steam.action, Action::Launch);
    EXPECT_EQ(steam.command, (std::vector<std::string>{"/steam/reaper", "--verb=waitforexitandrun",
                                                       "--", "--help", "--launch"}));
    EXPECT_EQ(ParseCommandLine({"--launch", "x", "--help"}).action, Action::Launch)
        << "the game's --help, not ours";
    EXPECT_EQ(ParseCommandLine({"--help", "--launch", "x"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--verbose", "--launch", "x"}).action, Action::Error);
    EXPECT_EQ(ParseCommandLine({"--launch"}).error,
              "--launch needs the command that starts the game");
    // A "--" right after --launch ends our options; a later one is the command's.
    EXPECT_EQ(ParseCommandLine({"--launch", "--", "game", "--"}).command,
              (std::vector<std::string>{"game", "--"}));
    EXPECT_EQ(ParseCommandLine({"--launch", "--"}).action, Action::Error);
    EXPECT_EQ(ParseCommandLine({"--library"}).action, Action::Library);
    EXPECT_EQ(ParseCommandLine({"--library", "--launch", "x"}).action, Action::Error)
        << "a Library of its own is no launcher's business";
}

} // namespace
} // namespace clipwarden::test
