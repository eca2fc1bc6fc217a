// The desktop's ports over real parts: the folder watch over a real folder (what a writer, a
// mover and a remover do is told, and the watch says when its folder has gone), the trash in a
// home of the test's own, and the file manager's fallback.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>
#include <optional>

#include "ChildProcess.h"
#include "ReplayHarness.h"
#include "TempDir.h"
#include "core/ports/FileManager.h"
#include "core/ports/FolderWatch.h"
#include "core/ports/Trash.h"
#include "core/replays/Housekeeper.h"

namespace clipwarden::test {
namespace {

using Kind = FolderChange::Kind;

struct Watched : ::testing::Test {
    TempDir dir;
    std::unique_ptr<FolderWatch> watch = CreateFolderWatch();
    std::vector<FolderChange> seen;

    /** Whether `kind` of `name` has been told, events handled meanwhile. */
    bool Told(Kind kind, const std::string& name) {
        return Eventually([&] {
            QCoreApplication::processEvents();
            return std::any_of(seen.begin(), seen.end(), [&](const FolderChange& change) {
                return change.kind == kind && change.name == name;
            });
        });
    }
};

TEST_F(Watched, AWriteIsToldAsItGoesAndAgainWhenClosed) {
    ASSERT_EQ(watch->Watch(dir.str(), [this](const FolderChange& c) { seen.push_back(c); }), "");
    const int fd = open((dir / "replay.rep").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "abc", 3), 3);
    EXPECT_TRUE(Told(Kind::Added, "replay.rep"));
    EXPECT_TRUE(Told(Kind::Written, "replay.rep"));
    EXPECT_FALSE(std::any_of(seen.begin(), seen.end(), [](const FolderChange& c) {
        return c.kind == Kind::Closed;
    })) << "still open for writing";
    close(fd);
    EXPECT_TRUE(Told(Kind::Closed, "replay.rep"));

    WriteFile(dir / ".incoming", "moved in whole");
    std::filesystem::rename(dir / ".incoming", dir / "replay0101-0.rep");
    EXPECT_TRUE(Told(Kind::Closed, "replay0101-0.rep"));
    std::filesystem::remove(dir / "replay0101-0.rep");
    EXPECT_TRUE(Told(Kind::Removed, "replay0101-0.rep"));
}

TEST_F(Watched, AFolderThatGoesEndsTheWatchAndAStoppedOneTellsNothing) {
    std::filesystem::create_directory(dir / "replays");
    ASSERT_EQ(watch->Watch(dir / "replays", [this](const FolderChange& c) { seen.push_back(c); }),
              "");
    std::filesystem::rename(dir / "replays", dir / "moved");
    EXPECT_TRUE(Told(Kind::Ended, ""));

    seen.clear();
    ASSERT_EQ(watch->Watch(dir / "moved", [this](const FolderChange& c) { seen.push_back(c); }),
              "");
    watch->Stop();
    WriteFile(dir / "moved/after.rep", "x");
    QCoreApplication::processEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_NE(watch->Watch(dir / "no such folder", [](const FolderChange&) {}), "");
}

/** Sets an environment variable for one test; puts the old value back after. */
struct Environment {
    std::string name;
    std::optional<std::string> old;
    Environment(std::string variable, const std::optional<std::string>& value)
        : name(std::move(variable)) {
        if (const char* was = std::getenv(name.c_str())) {
            old = was;
        }
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    ~Environment() { old ? setenv(name.c_str(), old->c_str(), 1) : unsetenv(name.c_str()); }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
};

TEST(Trash, MovesIntoTheHomeTrashOfXdgDataHomeEvenBeforeItExists) {
    TempDir home;
    const Environment data("XDG_DATA_HOME", home / "data"); // not there yet
    const Environment user("HOME", home.str());
    const auto trash = CreateTrash();
    WriteFile(home / "a take.rep", "a take");
    std::string why;
    ASSERT_TRUE(trash->MoveToTrash(home / "a take.rep", why)) << why;
    EXPECT_EQ(ReadFile(home / "data/Trash/files/a take.rep"), "a take");
    EXPECT_FALSE(std::filesystem::exists(home / "a take.rep"));
}

TEST(Trash, HousekeepingMovesExactlyWhatTheRuleChoseAndEachCanBeRestored) {
    TempDir home;
    const Environment data("XDG_DATA_HOME", home / "data");
    const Environment user("HOME", home.str());
    ReplayHarness harness;
    const auto trash = CreateTrash();
    FakeSettingsStore store;
    Settings settings{store};
    Housekeeper housekeeper{harness.files, harness.clock, *trash, harness.library,
                            settings,      harness.notifier};
    harness.library.labels().Load(harness.dir.str());
    for (int i = 0; i < 6; ++i) {
        WriteFileAt(harness.Path("take" + std::to_string(i) + ".rep"), "take " + std::to_string(i),
                    1'700'000'000 + i);
    }
    std::string why;
    ASSERT_TRUE(harness.library.labels().Set("take0.rep", 6, {"the best", true}, why)) << why;
    store.values[kKeyMostReplays] = "2"; // take0 is kept: take1 to take3 go, take4 and take5 stay
    housekeeper.RunPass();

    const std::filesystem::path files = home / "data/Trash/files";
    std::vector<std::string> trashed;
    for (const auto& entry : std::filesystem::directory_iterator(files)) {
        trashed.push_back(entry.path().filename().string());
    }
    std::sort(trashed.begin(), trashed.end());
    ASSERT_EQ(trashed, (std::vector<std::string>{"take1.rep", "take2.rep", "take3.rep"}));
    EXPECT_EQ(harness.Listing(), "take0.rep take4.rep take5.rep");
    // Restored as a file manager would: the info file says where each came from.
    for (const std::string& name : trashed) {
        const std::string info = ReadFile(home / ("data/Trash/info/" + name + ".trashinfo"));
        ASSERT_NE(info.find("Path=" + harness.Path(name) + "\n"), std::string::npos) << info;
        std::filesystem::rename(files / name, harness.Path(name));
    }
    EXPECT_EQ(harness.Listing(), "take0.rep take1.rep take2.rep take3.rep take4.rep take5.rep");
    EXPECT_EQ(ReadFile(harness.Path("take2.rep")), "take 2");
}

TEST(FileManager, WithoutASessionBusTheFolderIsOpenedByXdgOpen) {
    TempDir dir;
    std::filesystem::create_directories(dir / "bin");
    WriteFile(dir / "bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + (dir / "opened") + "'\n");
    std::filesystem::permissions(dir / "bin/xdg-open", std::filesystem::perms::owner_all);
    const Environment bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "no bus"));
    const Environment path("PATH", dir / "bin:" + std::string(std::getenv("PATH")));
    std::filesystem::create_directories(dir / "my replays");
    std::optional<std::string> failure;
    CreateFileManager()->ShowInFolder(dir / "my replays/replay0101-0.rep",
                                      [&](const std::string& said) { failure = said; });
    ASSERT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return failure.has_value();
    }));
    EXPECT_EQ(*failure, "");
    EXPECT_TRUE(Eventually([&] { return ReadFile(dir / "opened") == dir / "my replays"; }));
}

} // namespace
} // namespace clipwarden::test
