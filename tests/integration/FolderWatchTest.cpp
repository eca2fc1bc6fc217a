// The folder watch over a real folder: what a writer, a mover and a remover do is told, and
// the watch says when its folder has gone.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <filesystem>

#include "ChildProcess.h"
#include "TempDir.h"
#include "core/ports/FolderWatch.h"

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

} // namespace
} // namespace clipwarden::test
