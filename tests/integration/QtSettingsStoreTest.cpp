// The settings through the real INI file in a temporary XDG_CONFIG_HOME.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <filesystem>

#include "Immutable.h"
#include "TempDir.h"
#include "core/settings/Settings.h"
#include "platform/qt/QtSettingsStore.h"

namespace clipwarden::test {
namespace {

struct SettingsFile : ::testing::Test {
    TempDir config;
    std::string file;
    std::unique_ptr<QtSettingsStore> store;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
        file = config / "Clipwarden/Clipwarden.conf";
        store = std::make_unique<QtSettingsStore>(DefaultSettingsPath());
    }
};

TEST_F(SettingsFile, LivesUnderXdgConfigHomeAndIsCreatedOnlyByAWrite) {
    EXPECT_EQ(store->path().toStdString(), file);
    Settings settings(*store);
    EXPECT_EQ(settings.ReadSetting("GTAVC-version", 1), "1");
    EXPECT_EQ(settings.ReadNumber("GTAVC-autorun", 0), 0);
    EXPECT_FALSE(std::filesystem::exists(config / "Clipwarden"));
    EXPECT_FALSE(settings.WriteSetting("GTAVC-version", "0"));
    EXPECT_EQ(ReadFile(file), "[Main]\nGTAVC-version=0\n");
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 0);
}

TEST_F(SettingsFile, WithoutXdgConfigHomeItLivesInDotConfig) {
    unsetenv("XDG_CONFIG_HOME");
    const std::string home = getenv("HOME") != nullptr ? getenv("HOME") : "";
    EXPECT_EQ(DefaultSettingsPath().toStdString(), home + "/.config/Clipwarden/Clipwarden.conf");
}

TEST_F(SettingsFile, TextsComeBackExactlyAsWritten) {
    Settings settings(*store);
    for (const std::string& value :
         {std::string("C:\\Program files\\Rockstar Games\\Grand Theft Auto Vice City"),
          std::string("/home/me/My Games, old/\"quoted\" ;$x"), std::string("caf\xc3\xa9"),
          std::string("/home/me/caf\xe9 \xff\xfe/replays"), std::string("")}) {
        ASSERT_FALSE(settings.WriteSetting("GTAVC-path", value));
        EXPECT_EQ(settings.ReadSetting("GTAVC-path", "default"), value);
    }
}

TEST_F(SettingsFile, EveryWriteIsOnDiskAtOnceAndSeenByAnotherStore) {
    Settings settings(*store);
    settings.WriteSetting("GTAVC-replays", "/r");
    QtSettingsStore other(DefaultSettingsPath());
    EXPECT_EQ(other.Read("GTAVC-replays"), "/r");
    settings.WriteSetting("GTAVC-replays", "/s");
    EXPECT_EQ(other.Read("GTAVC-replays"), "/s");
    EXPECT_NE(ReadFile(file).find("GTAVC-replays=/s"), std::string::npos);
}

TEST_F(SettingsFile, GarbageGivesDefaultsAndIsNotDestroyedByReading) {
    std::filesystem::create_directories(config / "Clipwarden");
    const std::string garbage("\x01\x02[[[Main\nGTAVC-version\xff\n=\n[", 24);
    WriteFile(file, garbage);
    Settings settings(*store);
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 1);
    EXPECT_EQ(settings.ReadSetting("GTAVC-replays", "/default"), "/default");
    EXPECT_EQ(ReadFile(file), garbage);
}

TEST_F(SettingsFile, NotANumberReadsAsTheDefault) {
    Settings settings(*store);
    settings.WriteSetting("GTAVC-version", "garbage");
    settings.WriteSetting("GTAVC-autorun", "yes");
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 1);
    EXPECT_EQ(settings.ReadNumber("GTAVC-autorun", 0), 0);
    settings.WriteSetting("GTAVC-version", "2");
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 2);
}

TEST_F(SettingsFile, AnUnwritableFolderIsReportedAndKeepsTheStoredValue) {
    Settings settings(*store);
    settings.WriteSetting("GTAVC-version", "1");
    Immutable locked(config / "Clipwarden");
    if (!locked.ok()) {
        GTEST_SKIP() << "cannot make the folder unchangeable here";
    }
    const auto why = settings.WriteSetting("GTAVC-version", "0");
    ASSERT_TRUE(why);
    EXPECT_NE(why->find("GTAVC-version"), std::string::npos) << *why;
    EXPECT_NE(why->find(file), std::string::npos) << *why;
    EXPECT_EQ(settings.ReadSetting("GTAVC-version", 1), "1");
}

TEST_F(SettingsFile, AFolderWhereTheFileShouldBeGivesDefaultsAndAReasonToWrite) {
    std::filesystem::create_directories(file);
    Settings settings(*store);
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 1);
    EXPECT_TRUE(settings.WriteSetting("GTAVC-version", "0"));
}

TEST_F(SettingsFile, AFifoOrAHugeFileIsNeitherReadNorWrittenAndSaysWhy) {
    std::filesystem::create_directories(config / "Clipwarden");
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    Settings settings(*store);
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 1) << "a FIFO is never opened";
    EXPECT_NE(store->Problem().find("is not an ordinary file"), std::string::npos);
    EXPECT_TRUE(settings.WriteSetting("GTAVC-version", "0"));
    std::filesystem::remove(file);

    const std::string huge = "[Main]\nGTAVC-version=0\n" + std::string(kMostSettingsBytes, '#');
    WriteFile(file, huge);
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 1);
    EXPECT_NE(store->Problem().find("Move it away"), std::string::npos) << store->Problem();
    EXPECT_TRUE(settings.WriteSetting("GTAVC-version", "1"));
    EXPECT_EQ(ReadFile(file), huge) << "never written";
}

} // namespace
} // namespace clipwarden::test
