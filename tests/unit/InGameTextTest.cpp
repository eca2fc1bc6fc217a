// The text block written into the game, and the show / clear cycle of the in-game text.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "core/game/InGameText.h"

namespace clipwarden::test {
namespace {

std::string AsString(const TextBlock& block) {
    return {reinterpret_cast<const char*>(block.data()), block.size()};
}

TEST(TextBlock, ShortTextIsSixteenBitCharactersThenSpaces) {
    const std::string block = AsString(BuildTextBlock("Hi"));
    EXPECT_EQ(block.substr(0, 4), std::string("H\0i\0", 4));
    EXPECT_EQ(block.substr(4), std::string(508, ' '));
}

TEST(TextBlock, LongTextsFillTheBlockWithTheirFirst256Characters) {
    std::string exact;
    for (int i = 0; i < 256; ++i) {
        exact.push_back(static_cast<char>('a' + i % 26));
    }
    const std::string block = AsString(BuildTextBlock(exact));
    EXPECT_EQ(block[510], exact[255]);
    EXPECT_EQ(block[511], '\0');
    EXPECT_EQ(block.find(' '), std::string::npos);
    EXPECT_EQ(AsString(BuildTextBlock(exact + std::string(44, 'Z'))), block);
}

TEST(TextBlock, CharactersBecomeWindows1252OrAQuestionMark) {
    const std::string block = AsString(BuildTextBlock("\xe2\x82\xac\xc3\xa9\xe4\xb8\xad~"));
    EXPECT_EQ(block.substr(0, 8), std::string("\x80\0\xe9\0?\0~\0", 8));
    EXPECT_EQ(AsString(BuildTextBlock("")), std::string(512, ' '));
    EXPECT_EQ(InterleaveNuls(U"Hi"), std::u32string(U"H\0i\0", 4));
    EXPECT_EQ(InterleaveNuls(U""), U"");
}

struct Display : ::testing::Test {
    FakeMainView view;
    FakeProcesses processes;
    InGameText text{processes, view};
    ProcessHandle game = 0;
    const GameLayout* layout = &kLayout11;

    void SetUp() override {
        processes.processes[10] = {"gta-vc.exe", false, {}};
        OpenFailure failure{};
        game = processes.Open(10, failure);
    }
    std::string At(std::uint64_t address, std::size_t size) {
        return processes.Bytes(10, address, size);
    }
    void Tick() {
        if (view.gameTextTimer) {
            text.GameTextTick(game, layout);
        }
    }
};

TEST_F(Display, FiveShowTicksThenOneClearTickThenOff) {
    text.Show("Hi");
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
        EXPECT_EQ(At(kLayout11.messageFlag1, 1), "\x31");
        EXPECT_EQ(At(kLayout11.messageFlag2, 1), "\x31");
        for (auto address : kLayout11.messageTexts) {
            EXPECT_EQ(At(address, 512), AsString(BuildTextBlock("Hi")));
        }
        EXPECT_TRUE(view.gameTextTimer);
    }
    Tick();
    EXPECT_EQ(At(kLayout11.messageFlag1, 1), "\x30");
    EXPECT_EQ(At(kLayout11.messageFlag2, 1), "\x30");
    for (auto address : kLayout11.messageTexts) {
        EXPECT_EQ(At(address, 512), std::string(512, ' '));
    }
    EXPECT_FALSE(view.gameTextTimer);
    EXPECT_EQ(text.ticksLeft(), 0);
}

TEST_F(Display, Version10WritesEveryLocationEightLower) {
    layout = &kLayout10;
    text.Show("Hi");
    Tick();
    EXPECT_EQ(At(0x94DBCC, 1), "\x31");
    EXPECT_EQ(At(0x97F83B, 1), "\x31");
    EXPECT_EQ(At(kLayout11.messageFlag1, 1), std::string(1, '\0'));
    for (auto address : {0x78C5F8, 0x7D3E40, 0x939028}) {
        EXPECT_EQ(At(address, 4), std::string("H\0i\0", 4));
    }
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
    }
    EXPECT_EQ(At(0x94DBCC, 1), "\x30");
    EXPECT_EQ(At(0x78C5F8, 512), std::string(512, ' '));
}

TEST_F(Display, TheSteamEditionGetsItsOwnLocations) {
    layout = &kLayoutSteam;
    text.Show("Hi");
    Tick();
    for (auto address : {0x78B600, 0x7D2E48, 0x938030}) {
        EXPECT_EQ(At(address, 4), std::string("H\0i\0", 4));
    }
    EXPECT_EQ(At(0x94CBD4, 1), "\x31");
    EXPECT_EQ(At(0x97E843, 1), "\x31");
}

TEST_F(Display, NothingIsWrittenIntoAGameThatWasNotRecognised) {
    layout = nullptr;
    text.Show("Hi");
    int ticks = 0;
    while (view.gameTextTimer && ticks < 10) {
        Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 6) << "the display still runs its course";
    EXPECT_TRUE(processes.processes[10].memory.empty()) << "not one byte written";
}

TEST_F(Display, ASecondTextThreeTicksInIsShownForFiveMoreTicks) {
    text.Show("one");
    Tick();
    Tick();
    Tick();
    text.Show("two");
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
        EXPECT_EQ(At(kLayout11.messageTexts[0], 6), std::string("t\0w\0o\0", 6)) << tick;
        EXPECT_EQ(At(kLayout11.messageFlag1, 1), "\x31");
    }
    Tick();
    EXPECT_FALSE(view.gameTextTimer);
    EXPECT_EQ(At(kLayout11.messageFlag1, 1), "\x30");
}

TEST_F(Display, WithoutAGameTheCycleStillRunsOutAndStops) {
    processes.Close(game);
    game = 0;
    text.Show("Hi");
    int ticks = 0;
    while (view.gameTextTimer && ticks < 10) {
        Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 6);
}

TEST_F(Display, AGameTextKeepsItsFirst512Characters) {
    std::string longText;
    for (int i = 0; i < 600; ++i) {
        longText += "\xc3\xa9"; // two bytes, one character
    }
    text.Show(longText);
    EXPECT_EQ(text.pendingText(), longText.substr(0, 1024));
}

} // namespace
} // namespace clipwarden::test
