// The background read of replay details over real files: only what the index lacks, newest
// first, each file as it is, and stopped between two files the moment it is asked to.

#include <gtest/gtest.h>

#include <filesystem>

#include "ReplayWriter.h"
#include "TempDir.h"
#include "core/replays/DetailsReader.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

struct ReadingDetails : ::testing::Test {
    TempDir folder;
    PosixFileSystem files;

    void SetUp() override {
        replaywriter::ScriptedDrive drive;
        const auto bytes = replaywriter::BuildReplay(drive);
        // Oldest to newest: a, notes, b, c.
        long long modified = 1'700'000'000;
        for (const char* name : {"a.rep", "notes.rep", "b.rep", "c.rep"}) {
            WriteFileAt(folder / name,
                        std::string(name) == "notes.rep" ? "notes" : std::string(bytes.begin(), bytes.end()),
                        modified += 60);
        }
    }
    /** The stored files as the Library lists them, each with its stamp. */
    std::vector<DetailsJob> Stored() {
        std::vector<DetailsJob> stored;
        for (const char* name : {"a.rep", "b.rep", "c.rep", "notes.rep"}) {
            std::error_code error;
            stored.push_back({name, *files.Stamp(folder / name, error)});
        }
        return stored;
    }
};

TEST_F(ReadingDetails, OnlyWhatTheIndexLacksNewestFirstEachAsItIs) {
    DetailsIndex index;
    std::error_code error;
    ReplayReading known;
    known.kind = ReplayReading::Kind::Replay;
    index.Put("b.rep", *files.Stamp(folder / "b.rep", error), known);
    // a.rep was read once, but has changed since.
    index.Put("a.rep", FileStamp{1, 2, 3, 4}, known);

    const auto jobs = MissingDetails(Stored(), index);
    std::vector<std::string> order;
    for (const auto& job : jobs) {
        order.push_back(job.name);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"c.rep", "notes.rep", "a.rep"}));

    std::atomic<bool> stop{false};
    std::vector<ReplayReading::Kind> kinds;
    const std::size_t read = ReadDetails(files, folder.str(), jobs, stop,
                                         [&](const DetailsJob&, ReplayReading reading, std::size_t) {
                                             kinds.push_back(reading.kind);
                                         });
    EXPECT_EQ(read, 3U);
    EXPECT_EQ(kinds, (std::vector<ReplayReading::Kind>{ReplayReading::Kind::Replay,
                                                       ReplayReading::Kind::NotReplay,
                                                       ReplayReading::Kind::Replay}));
    EXPECT_EQ(ReadingProgressText(1234, 10000), "Reading replays: 1,234 of 10,000");
}

TEST_F(ReadingDetails, AStopEndsItBeforeTheNextFile) {
    const auto jobs = MissingDetails(Stored(), DetailsIndex());
    ASSERT_EQ(jobs.size(), 4U);
    std::atomic<bool> stop{false};
    std::vector<std::string> seen;
    const std::size_t read =
        ReadDetails(files, folder.str(), jobs, stop,
                    [&](const DetailsJob& job, ReplayReading, std::size_t done) {
                        seen.push_back(job.name);
                        if (done == 2) {
                            stop = true; // the window closed while the second was read
                        }
                    });
    EXPECT_EQ(read, 2U);
    EXPECT_EQ(seen, (std::vector<std::string>{"c.rep", "b.rep"}));
}

} // namespace
} // namespace clipwarden::test
