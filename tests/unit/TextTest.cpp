// Reading numbers the way the program's texts need, and text by characters.

#include <gtest/gtest.h>

#include "Fakes.h"
#include "core/TemporaryName.h"
#include "core/Text.h"
#include "core/settings/Settings.h"

namespace clipwarden::test {
namespace {

TEST(ReadLeadingNumber, ReadsTheNumberATextBeginsWith) {
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("007").value, 7);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("2.5").value, 2.5);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("  12abc").value, 12);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("-3").value, -3);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("+4.").value, 4);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber(".5").value, 0.5);
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("1e5").value, 1);
    for (const char* text : {"", "x", "-", ".", " ", "abc1"}) {
        EXPECT_FALSE(ReadLeadingNumber(text).found) << text;
        EXPECT_DOUBLE_EQ(ReadLeadingNumber(text).value, 0) << text;
    }
}

TEST(ReadLeadingNumber, IgnoresTheLocalesDecimalSeparator) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no German locale installed";
    }
    EXPECT_DOUBLE_EQ(ReadLeadingNumber("2.5").value, 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Utf8, DecodesValidTextAndReplacesBrokenBytes) {
    EXPECT_EQ(DecodeUtf8("a\xc3\xa9\xe2\x82\xac"), U"a\u00e9\u20ac");
    EXPECT_EQ(DecodeUtf8("\xff"
                         "a\xc3"),
              U"\ufffd"
              "a\ufffd");
    EXPECT_EQ(DecodeUtf8("\xc0\xaf"), U"\ufffd\ufffd") << "overlong forms are not characters";
    EXPECT_EQ(EncodeUtf8(U"a\u00e9\u20ac\U0001F600"), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
}

TEST(Utf8, FirstCharactersCountsCharactersNotBytes) {
    EXPECT_EQ(FirstCharacters("\xc3\xa9\xc3\xa9\xc3\xa9", 2), "\xc3\xa9\xc3\xa9");
    EXPECT_EQ(FirstCharacters("abc", 10), "abc");
    EXPECT_EQ(FirstCharacters("ab\xff"
                              "cd",
                              3),
              "ab\xff");
}

TEST(TemporaryName, TellsTheWriterOfOursAndNothingOfOthers) {
    EXPECT_EQ(TemporaryWriter(TemporaryNamePrefix(4242) + "a1b2c3"), 4242U);
    EXPECT_EQ(TemporaryWriter(".clipwarden-17-0.tmp"), 17U);
    for (const char* other : {".clipwarden-notes", ".clipwarden-12", ".clipwarden--3-x",
                              ".clipwarden-0-x", "clipwarden-12-x", "replay.rep", ""}) {
        EXPECT_FALSE(TemporaryWriter(other)) << other;
    }
}

TEST(StableHexName, IsTheFnv1aHashOfTheBytes) {
    EXPECT_EQ(StableHexName(""), "cbf29ce484222325");
    EXPECT_EQ(StableHexName("a"), "af63dc4c8601ec8c");
    EXPECT_NE(StableHexName("/home/a/.config/Clipwarden/Clipwarden.conf"),
              StableHexName("/home/b/.config/Clipwarden/Clipwarden.conf"));
}

TEST(Settings, AbsentKeysGiveTheirDefaultsAndPresentOnesTheirTextEvenEmpty) {
    FakeSettingsStore store;
    Settings settings(store);
    EXPECT_EQ(settings.ReadSetting("GTAVC-autorun", 0), "0");
    EXPECT_EQ(settings.ReadSetting("GTAVC-version", 1), "1");
    EXPECT_EQ(settings.ReadSetting("GTAVC-path", "C:\\Games"), "C:\\Games");
    store.values["GTAVC-path"] = "";
    EXPECT_EQ(settings.ReadSetting("GTAVC-path", "C:\\Games"), "");
}

TEST(Settings, ASwitchIsOnOnlyWhenItsNumberEqualsOne) {
    FakeSettingsStore store;
    Settings settings(store);
    const auto on = [&](const char* text, bool defaultOn) {
        store.values["GTAVC-autorun"] = text;
        return settings.ReadSwitch("GTAVC-autorun", defaultOn);
    };
    for (const char* text : {"1", " 1 ", "1.0", "+1", "1.000"}) {
        EXPECT_TRUE(on(text, false)) << text;
    }
    for (const char* text : {"0", "2", "0.6", "1.4", "0.9999", "-1", "99999999999999"}) {
        EXPECT_FALSE(on(text, true)) << text;
    }
    for (const char* text : {"garbage", "", "1x", "yes"}) {
        EXPECT_TRUE(on(text, true)) << "not a number: the default, " << text;
        EXPECT_FALSE(on(text, false)) << "not a number: the default, " << text;
    }
    store.values.erase("GTAVC-autorun");
    EXPECT_TRUE(settings.ReadSwitch("GTAVC-autorun", true));
    EXPECT_FALSE(settings.ReadSwitch("GTAVC-autorun", false));
}

TEST(Settings, AFailedWriteSaysWhichSettingAndWhy) {
    FakeSettingsStore store;
    store.failWrites = "disk full";
    Settings settings(store);
    const auto why = settings.WriteSetting("GTAVC-version", "0");
    ASSERT_TRUE(why);
    EXPECT_NE(why->find("GTAVC-version"), std::string::npos);
    EXPECT_NE(why->find("disk full"), std::string::npos);
    store.failWrites.reset();
    EXPECT_FALSE(settings.WriteSetting("GTAVC-version", "0"));
    EXPECT_EQ(store.values["GTAVC-version"], "0");
}

TEST(Text, OddBytesComeBackAsTheyWereAndSizesReadAsFileManagersShowThem) {
    // Every byte pair, a backslash and escape-like texts among them, survives the trip.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; b += 7) {
            const std::string bytes{static_cast<char>(a), static_cast<char>(b), '\\', 'x', '4'};
            const std::string escaped = EscapeOddBytes(bytes);
            ASSERT_TRUE(IsUtf8(escaped));
            ASSERT_EQ(UnescapeOddBytes(escaped), bytes) << a << " " << b;
        }
    }
    EXPECT_EQ(SizeText(1), "1 byte");
    EXPECT_EQ(SizeText(999), "999 bytes");
    EXPECT_EQ(SizeText(1000), "1.0 kB");
    EXPECT_EQ(SizeText(12'449'999), "12.4 MB");
    EXPECT_EQ(SizeText(12'450'000), "12.5 MB");
    EXPECT_EQ(SizeText(532'000'000), "532 MB");
    EXPECT_EQ(SizeText(18'000'000'000'000'000'000ULL), "18.0 EB") << "no overflow near the top";
}

} // namespace
} // namespace clipwarden::test
