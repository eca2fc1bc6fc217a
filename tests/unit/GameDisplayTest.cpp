// The text block written into the game, and the show / clear cycle of Timer3.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "game/GameDisplay.h"
#include "notify/Notifier.h"

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
    EXPECT_EQ(FuckText(U"Hi"), std::u32string(U"H\0i\0", 4));
    EXPECT_EQ(FuckText(U""), U"");
}

struct Display : ::testing::Test {
    AppState state;
    FakeMainView view;
    FakeProcesses processes;
    std::ostringstream echo;
    Notifier notifier{state, view, echo};
    GameDisplay display{state, processes, view, view};

    void SetUp() override {
        processes.processes[10] = {"gta-vc.exe", false, {}};
        OpenFailure failure{};
        state.gameProcess = processes.Open(10, failure);
        view.SelectVersionOption(true);
    }
    std::string At(std::uint64_t address, std::size_t size) {
        return processes.Bytes(10, address, size);
    }
    void Tick() {
        if (view.timer3) {
            display.Timer3_Timer();
        }
    }
};

TEST_F(Display, FiveShowTicksThenOneClearTickThenOff) {
    notifier.PostNotification("", "Hi");
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
        EXPECT_EQ(At(kMessageFlag1, 1), "\x31");
        EXPECT_EQ(At(kMessageFlag2, 1), "\x31");
        for (auto address : kMessageTexts) {
            EXPECT_EQ(At(address, 512), AsString(BuildTextBlock("Hi")));
        }
        EXPECT_TRUE(view.timer3);
    }
    Tick();
    EXPECT_EQ(At(kMessageFlag1, 1), "\x30");
    EXPECT_EQ(At(kMessageFlag2, 1), "\x30");
    for (auto address : kMessageTexts) {
        EXPECT_EQ(At(address, 512), std::string(512, ' '));
    }
    EXPECT_FALSE(view.timer3);
    EXPECT_EQ(state.gameTextTicks, 0);
}

TEST_F(Display, Version10WritesEveryLocationEightLower) {
    view.SelectVersionOption(false);
    notifier.PostNotification("", "Hi");
    Tick();
    EXPECT_EQ(At(kMessageFlag1 - 8, 1), "\x31");
    EXPECT_EQ(At(kMessageFlag2 - 8, 1), "\x31");
    EXPECT_EQ(At(kMessageFlag1, 1), std::string(1, '\0'));
    for (auto address : kMessageTexts) {
        EXPECT_EQ(At(address - 8, 4), std::string("H\0i\0", 4));
    }
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
    }
    EXPECT_EQ(At(kMessageFlag1 - 8, 1), "\x30");
    EXPECT_EQ(At(kMessageTexts[0] - 8, 512), std::string(512, ' '));
}

TEST_F(Display, NeitherOptionSelectedMeansVersion11) {
    view.option1 = true;
    view.option2 = true;
    notifier.PostNotification("", "Hi");
    Tick();
    EXPECT_EQ(At(kMessageFlag1, 1), "\x31");
    view.option1 = false;
    view.option2 = false;
    notifier.PostNotification("", "Yo");
    Tick();
    EXPECT_EQ(At(kMessageTexts[2], 2), std::string("Y\0", 2));
}

TEST_F(Display, ASecondTextThreeTicksInIsShownForFiveMoreTicks) {
    notifier.PostNotification("", "one");
    Tick();
    Tick();
    Tick();
    notifier.PostNotification("", "two");
    for (int tick = 0; tick < 5; ++tick) {
        Tick();
        EXPECT_EQ(At(kMessageTexts[0], 6), std::string("t\0w\0o\0", 6)) << tick;
        EXPECT_EQ(At(kMessageFlag1, 1), "\x31");
    }
    Tick();
    EXPECT_FALSE(view.timer3);
    EXPECT_EQ(At(kMessageFlag1, 1), "\x30");
}

TEST_F(Display, WithoutAGameTheCycleStillRunsOutAndStops) {
    processes.Close(state.gameProcess);
    state.gameProcess = 0;
    notifier.PostNotification("", "Hi");
    int ticks = 0;
    while (view.timer3 && ticks < 10) {
        Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 6);
}

} // namespace
} // namespace clipwarden::test
