// Housekeeping over a real replay folder: the dialog's preview and question, the pass that
// moves what the rules chose to a trash of its own, and everything that must stop it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "ReplayHarness.h"
#include "core/presenters/HousekeepingPresenter.h"

namespace clipwarden::test {
namespace {

struct FakeHousekeepingView final : HousekeepingView {
    HousekeepingForm form;
    std::string preview;
    std::vector<std::string> questions;
    bool answer = false;
    void ShowForm(const HousekeepingForm& shown) override { form = shown; }
    void ShowPreview(const std::string& shown) override { preview = shown; }
    bool Confirm(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }
};

struct Housekeeping : ::testing::Test, ReplayHarness {
    FakeTrash trash;
    FakeSettingsStore store;
    Settings settings{store};
    Housekeeper housekeeper{files, clock, trash, library, settings, notifier};

    Housekeeping() { library.labels().Load(dir.str()); }

    /** r000.rep, r001.rep, ... each recorded a minute after the one before. */
    void StoreMany(int count) {
        for (int i = 0; i < count; ++i) {
            WriteFileAt(Path(Name(i)), "replay " + std::to_string(i), 1'700'000'000 + 60LL * i);
        }
    }
    static std::string Name(int i) {
        std::string number = std::to_string(i);
        return "r" + std::string(3 - number.size(), '0') + number + ".rep";
    }
    void Keep(const std::string& name) {
        std::string why;
        ASSERT_TRUE(library.labels().Set(name, std::filesystem::file_size(Path(name)),
                                         {"", true}, why))
            << why;
    }
    std::size_t LinesWith(const std::string& text) const {
        return static_cast<std::size_t>(std::count_if(
            view.log.begin(), view.log.end(),
            [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }
};

TEST_F(Housekeeping, TheDialogSaysWhatGoesAsksAndMovesExactlyThat) {
    StoreMany(300);
    const std::vector<int> kept = {10, 50, 100, 200, 298};
    for (const int i : kept) {
        Keep(Name(i));
    }
    FakeHousekeepingView dialog;
    HousekeepingPresenter presenter(housekeeper, clock, dialog);
    presenter.Open();
    EXPECT_FALSE(dialog.form.byNumber);
    EXPECT_EQ(dialog.preview, "No rule is on, so housekeeping removes nothing.");

    HousekeepingForm form;
    form.byNumber = true;
    form.mostReplays = 50;
    presenter.OnFormChanged(form);
    // 295 count, 50 stay: the oldest 245 that are not kept, r000 up to r248.
    EXPECT_EQ(dialog.preview, "With these rules 245 replays go to the trash now (2.3 kB): the "
                              "oldest recorded t1700000000, the newest t1700014880.");

    EXPECT_FALSE(presenter.OnAccept(form)) << "No: the dialog stays, nothing changed";
    ASSERT_EQ(dialog.questions.size(), 1U);
    EXPECT_EQ(dialog.questions[0], "Move 245 replays (2.3 kB) to the trash now? They can be "
                                   "restored from there until it is emptied.");
    EXPECT_TRUE(store.values.empty());
    EXPECT_TRUE(trash.trashed.empty());

    dialog.answer = true;
    EXPECT_TRUE(presenter.OnAccept(form));
    EXPECT_EQ(store.values.at(kKeyMostReplays), "50");
    EXPECT_FALSE(store.values.contains(kKeyMostDays)) << "a rule that is off is no value";
    std::vector<std::string> expected;
    for (int i = 0; i <= 248; ++i) {
        if (std::find(kept.begin(), kept.end(), i) == kept.end()) {
            expected.push_back(Path(Name(i)));
        }
    }
    EXPECT_EQ(trash.trashed, expected) << "oldest first, exactly those";
    for (const int i : kept) {
        EXPECT_TRUE(std::filesystem::exists(Path(Name(i)))) << Name(i);
    }
    EXPECT_TRUE(std::filesystem::exists(Path(Name(299)))) << "the newest";
    EXPECT_EQ(LinesWith("Moved 245 old replays to the trash (2.3 kB) to keep at most 50."), 1U);

    housekeeper.RunPass(); // the rule holds now: nothing more goes, nothing is said
    EXPECT_EQ(trash.trashed.size(), 245U);
    EXPECT_EQ(LinesWith("Moved"), 1U);
}

TEST_F(Housekeeping, OnlyStoredReplaysOfTheLibraryEverGo) {
    StoreMany(3);
    WriteFileAt(Path("replay.rep"), "the slot", 1'600'000'000);
    WriteFileAt(Path(".clipwarden-1-old.rep"), "a temporary", 1'600'000'000);
    WriteFileAt(Path("notes.txt"), "not a replay", 1'600'000'000);
    ASSERT_EQ(mkfifo(Path("fifo.rep").c_str(), 0600), 0);
    std::filesystem::create_symlink(Path(Name(0)), Path("link.rep"));
    // The current replay is the oldest one here; it stays although the rule wants one only.
    library.cursor().SetCurrentReplay(Name(0));
    store.values[kKeyMostReplays] = "1";
    housekeeper.RunPass();
    EXPECT_EQ(trash.trashed, std::vector<std::string>{Path(Name(1))});
    for (const char* stays : {"replay.rep", ".clipwarden-1-old.rep", "notes.txt", "fifo.rep",
                              "link.rep", "r000.rep", "r002.rep"}) {
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(Path(stays))))
            << stays;
    }
}

TEST_F(Housekeeping, NothingGoesWhileItCannotTellWhatIsKeptAndEachReasonIsSaidOnce) {
    StoreMany(4);
    Keep(Name(0));
    store.values[kKeyMostReplays] = "1";

    // The label file went missing after it was read: no replay would count as kept.
    std::filesystem::remove(Path(kLabelFileName));
    housekeeper.RunPass();
    housekeeper.RunPass();
    EXPECT_TRUE(trash.trashed.empty());
    EXPECT_EQ(LinesWith("Housekeeping is paused: the label file"), 1U);
    EXPECT_EQ(LinesWith("has gone missing"), 1U);

    // A trash that refuses: the pass stops at the first replay, which stays.
    library.labels().Load(dir.str());
    Keep(Name(0)); // a new label file
    trash.refusal = "no trash on this disk";
    housekeeper.RunPass();
    housekeeper.RunPass();
    EXPECT_EQ(LinesWith("r001.rep could not be moved to the trash (no trash on this disk)"), 1U);
    EXPECT_TRUE(std::filesystem::exists(Path(Name(1))));
    trash.refusal.clear();
    housekeeper.RunPass();
    EXPECT_EQ(trash.trashed.size(), 2U) << "the newest stays: only one to keep";
    EXPECT_EQ(LinesWith("Moved 2 old replays to the trash"), 1U);
}

TEST_F(Housekeeping, AValueThatIsNoRuleSwitchesItOffAndIsSaidOnceUntilItChanges) {
    StoreMany(3);
    for (const std::string value : {"0", "-3", "1.5", "two", ""}) {
        store.values[kKeyMostReplays] = value;
        housekeeper.RunPass();
        housekeeper.RunPass();
        EXPECT_EQ(LinesWith("Housekeeping/most-replays holds \"" + value + "\""), 1U) << value;
    }
    EXPECT_TRUE(trash.trashed.empty());

    // Space: megabytes in the settings, kept ones alone too much is said once.
    store.values.clear();
    store.values[kKeyMostMegabytes] = "1";
    WriteFileAt(Path("big.rep"), std::string(1'500'000, 'x'), 1'600'000'000);
    Keep("big.rep");
    housekeeper.RunPass();
    housekeeper.RunPass();
    EXPECT_EQ(LinesWith("The kept replays alone take more than the 1.0 MB"), 1U);
    EXPECT_TRUE(trash.trashed.empty());
}

} // namespace
} // namespace clipwarden::test
