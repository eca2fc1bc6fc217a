// A long run of the real capture, selection and start-up over real files with a clock of the
// test's own: recordings at random moments, some within the same second, some written with a
// pause halfway, with F5 and F6 and restarts between them.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <set>

#include "ServiceRig.h"
#include "core/presenters/MainPresenter.h"

namespace clipwarden::test {
namespace {

/** The game's way of saving: replay.rep rewritten in place, its time to the nanosecond. */
void WriteSlot(const std::string& slot, const std::string& content, long long seconds,
               long nanoseconds) {
    WriteFile(slot, content);
    const timespec times[2] = {{static_cast<time_t>(seconds), nanoseconds},
                               {static_cast<time_t>(seconds), nanoseconds}};
    utimensat(AT_FDCWD, slot.c_str(), times, 0);
}

struct Soak : ::testing::Test, ServiceRig {
    std::unique_ptr<FakeMainView> view;
    std::unique_ptr<MainPresenter> presenter;
    std::string slot = dir / "replay.rep";
    std::mt19937 random{20261207};
    std::vector<std::int64_t> seen; ///< when this run saw the complete recording in the slot

    void Restart() {
        presenter.reset();
        view = std::make_unique<FakeMainView>();
        presenter = std::make_unique<MainPresenter>(services, *view);
        presenter->Start(); // looks at the slot once
        seen.clear();
    }
    /** The program's clock moves on by up to `most` ms; a re-check it asked for comes due. */
    void Wait(int most) {
        const int step = static_cast<int>(random() % static_cast<unsigned>(most + 1));
        const int due = view->recheckIn;
        if (due > 0 && due <= step) {
            clock.steady += due;
            view->recheckIn = 0;
            Look(true);
            clock.steady += step - due;
            return;
        }
        clock.steady += step;
    }
    /** A capture tick or a key press, each of which looks at the slot. */
    void Look(bool tick) {
        if (tick) {
            presenter->CaptureTick();
        } else {
            const Key key = random() % 2 == 0 ? Key::F5 : Key::F6;
            keys.Key(key, true);
            keys.Key(key, false);
        }
    }
};

TEST_F(Soak, EveryRecordingThatSettledIsStoredWholeAndNothingElseIs) {
    settings.values["GTAVC-replays"] = dir.str();
    std::set<std::string> allowed; // what a .rep other than the slot may hold
    for (const char* name : {"a.rep", "b.rep", "c.rep"}) {
        WriteFile(dir / name, std::string("stored before: ") + name);
        allowed.insert(std::string("stored before: ") + name);
    }
    Restart();

    std::vector<std::string> mustBeKept;
    long long second = 1'700'000'000;
    long nanosecond = 0;
    std::string previous;
    int restarts = 0;
    int pauses = 0;
    constexpr int kRecordings = 1200;
    for (int i = 0; i < kRecordings; ++i) {
        // Full buffers all have one size; some recordings come within the same second.
        std::string content = "recording " + std::to_string(i) + " ";
        content.resize(random() % 4 == 0 ? 96 : 48 + random() % 200,
                       static_cast<char>('a' + i % 26));
        if (random() % 3 != 0) {
            ++second;
        }
        nanosecond = (nanosecond + 1 + static_cast<long>(random() % 1000)) % 1'000'000'000;
        if (random() % 5 == 0) {
            // The game pauses between its writes, shorter than the settle time.
            ++pauses;
            WriteSlot(slot, content.substr(0, content.size() / 2), second, nanosecond);
            for (int waited = 0; waited < 300; waited += 100) {
                clock.steady += 100;
                Look(random() % 2 == 0);
            }
            nanosecond = (nanosecond + 1) % 1'000'000'000;
        }
        WriteSlot(slot, content, second, nanosecond);
        allowed.insert(content);
        seen.clear();
        for (int events = 2 + static_cast<int>(random() % 4); events > 0; --events) {
            Wait(700);
            if (random() % 40 == 0) {
                ++restarts;
                Restart();
            } else {
                Look(random() % 3 != 0);
            }
            if (ReadFile(slot) == content) {
                seen.push_back(clock.steady);
            }
        }
        // Seen at two moments the settle time apart, in one run: it must have been stored.
        if (!seen.empty() && seen.back() - seen.front() >= kSettleMilliseconds) {
            mustBeKept.push_back(content);
        }
        previous = content;
    }

    std::set<std::string> stored;
    for (const auto& entry : std::filesystem::directory_iterator(dir.str())) {
        const std::string name = entry.path().filename().string();
        ASSERT_NE(name.front(), '.') << "a temporary was left behind: " << name;
        if (name == "replay.rep") {
            continue;
        }
        const std::string content = ReadFile(entry.path().string());
        EXPECT_TRUE(allowed.count(content)) << name << " holds something else: " << content;
        stored.insert(content);
    }
    for (const auto& recording : mustBeKept) {
        EXPECT_TRUE(stored.count(recording)) << recording.substr(0, 16) << " was lost";
    }
    EXPECT_GT(mustBeKept.size(), kRecordings / 3U) << "the run tested too little";
    RecordProperty("recordings", kRecordings);
    RecordProperty("settled", static_cast<int>(mustBeKept.size()));
    RecordProperty("restarts", restarts);
    RecordProperty("pauses", pauses);
    std::cout << kRecordings << " recordings, " << mustBeKept.size() << " settled and kept, "
              << stored.size() << " stored, " << restarts << " restarts, " << pauses
              << " written with a pause\n";
}

} // namespace
} // namespace clipwarden::test
