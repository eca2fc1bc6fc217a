// The details index on real files: kept in the cache folder it makes (the user's alone), found
// again by the next start, replaced when damaged, held in memory where it cannot be written.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"
#include "core/replays/DetailsStore.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

ReplayReading NotAReplay(const std::string& why) {
    ReplayReading reading;
    reading.why = why;
    return reading;
}

struct Stores : ::testing::Test {
    TempDir home;
    PosixFileSystem files;
    std::string cache = home / "cache/clipwarden";
    std::string replays = home / "replays";
    FileStamp stamp{1'700'000'000'000'000'123, 9, 2049, 77};
};

TEST_F(Stores, TheNextStartFindsTheIndexAndADamagedOneIsReplaced) {
    DetailsStore store(files, cache);
    EXPECT_EQ(store.Open(replays), "");
    store.index().Put("notes.rep", stamp, NotAReplay("it does not begin as a replay of the game"));
    EXPECT_EQ(store.Save(), "");
    ASSERT_EQ(std::filesystem::path(store.path()).parent_path(), cache);
    EXPECT_EQ(std::filesystem::path(store.path()).filename().string().rfind("details-", 0), 0U);
    struct stat info {};
    ASSERT_EQ(stat(cache.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700U);
    EXPECT_FALSE(std::filesystem::exists(replays)) << "nothing goes into the replay folder";

    DetailsStore next(files, cache);
    EXPECT_EQ(next.Open(replays), "");
    ASSERT_NE(next.index().Find("notes.rep", stamp), nullptr);
    DetailsStore otherFolder(files, cache);
    otherFolder.Open(home / "elsewhere");
    EXPECT_EQ(otherFolder.index().size(), 0U);

    WriteFile(store.path(), "{ not an index");
    DetailsStore damaged(files, cache);
    const std::string line = damaged.Open(replays);
    EXPECT_NE(line.find("was not used (it is no index of replay details)"), std::string::npos)
        << line;
    EXPECT_EQ(damaged.index().size(), 0U);
    damaged.index().Put("a.rep", stamp, NotAReplay("empty"));
    EXPECT_EQ(damaged.Save(), "");
    DetailsStore mended(files, cache);
    EXPECT_EQ(mended.Open(replays), "");
    EXPECT_NE(mended.index().Find("a.rep", stamp), nullptr);

    // A FIFO in its place is refused at once, never waited on.
    std::filesystem::remove(store.path());
    ASSERT_EQ(mkfifo(store.path().c_str(), 0600), 0);
    DetailsStore fifo(files, cache);
    EXPECT_NE(fifo.Open(replays), "");
}

TEST_F(Stores, WhereTheCacheCannotBeWrittenDetailsLiveInMemoryAndThatIsSaidOnce) {
    WriteFile(home / "cache", "a file where the cache folder would be");
    DetailsStore store(files, cache);
    store.Open(replays);
    store.index().Put("a.rep", stamp, NotAReplay("empty"));
    const std::string line = store.Save();
    EXPECT_NE(line.find("they live in memory while Clipwarden runs"), std::string::npos) << line;
    EXPECT_EQ(store.Save(), "");
    EXPECT_NE(store.index().Find("a.rep", stamp), nullptr);
}

} // namespace
} // namespace clipwarden::test
