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
    std::string accept;
    void ShowPreview(const std::string& shown, const std::string& button) override {
        preview = shown;
        accept = button;
    }
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
    EXPECT_EQ(dialog.accept, "Save rules");

    HousekeepingForm form;
    form.byNumber = true;
    form.mostReplays = 50;
    presenter.OnFormChanged(form);
    // 295 count, 50 stay: the oldest 245 that are not kept, r000 up to r248.
    EXPECT_EQ(dialog.preview, "With these rules 245 replays go to the trash now (2.3 kB): the "
                              "oldest recorded t1700000000, the newest t1700014880.");
    EXPECT_EQ(dialog.accept, "Move 245 replays to the trash") << "the button says what it does";

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
    HousekeepingRules both;
    both.mostReplays = 50;
    both.mostDays = 30;
    EXPECT_EQ(RulesText(both),
              "housekeeping keeps at most 50 replays, and removes replays recorded more than 30 "
              "days ago")
        << "what the Library's status line says of the rules";

    housekeeper.RunPass(); // the rule holds now: nothing more goes, nothing is said
    EXPECT_EQ(trash.trashed.size(), 245U);
    EXPECT_EQ(LinesWith("Moved"), 1U);
}

TEST_F(Housekeeping, WhatGoesLeavesTheDetailsIndexAndTheRestStays) {
    StoreMany(3);
    std::error_code error;
    for (int i = 0; i < 3; ++i) {
        library.details().index().Put(Name(i), *files.Stamp(Path(Name(i)), error), {});
    }
    store.values[kKeyMostReplays] = "1";
    housekeeper.RunPass();
    ASSERT_EQ(trash.trashed.size(), 2U);
    EXPECT_EQ(library.details().index().size(), 1U);
    EXPECT_NE(library.details().index().Find(Name(2), *files.Stamp(Path(Name(2)), error)),
              nullptr);
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

    // A damaged label file, set aside: which replays it kept is unknown until it is dealt
    // with, however the label file itself goes on.
    WriteFile(Path(kLabelFileName),
              R"({"version":1,"replays":{"r000.rep":{"kept":true,"label":"best","size":10},}})");
    EXPECT_NE(library.labels().Load(dir.str()).find("could not be read as one"),
              std::string::npos);
    Keep(Name(3)); // a new label file, without r000's mark
    housekeeper.RunPass();
    housekeeper.RunPass();
    EXPECT_TRUE(trash.trashed.empty());
    EXPECT_EQ(LinesWith("Housekeeping is paused: the label file was damaged and was kept as " +
                        Path(kLabelFileName) + ".damaged"),
              1U);
    library.labels().Load(dir.str()); // the next start too
    housekeeper.RunPass();
    EXPECT_TRUE(trash.trashed.empty());
    std::filesystem::remove(Path(std::string(kLabelFileName) + ".damaged"));
    housekeeper.RunPass();
    EXPECT_EQ(trash.trashed.size(), 2U) << "r003 is kept now; r000 went with the damaged file";
    EXPECT_TRUE(std::filesystem::exists(Path(Name(3))));
}

TEST_F(Housekeeping, OneReplayTheTrashRefusesIsPassedOverAndATrashRefusingAllEndsThePass) {
    StoreMany(8);
    store.values[kKeyMostReplays] = "2";
    trash.verdict = [this](const std::string& path) {
        return path == Path(Name(1)) ? std::string("its name cannot be recorded") : std::string();
    };
    housekeeper.RunPass();
    housekeeper.RunPass();
    EXPECT_TRUE(std::filesystem::exists(Path(Name(1))));
    EXPECT_EQ(trash.trashed.size(), 5U) << "all but the refused one of the six oldest";
    EXPECT_EQ(LinesWith("Housekeeping passed over what the trash would not take: r001.rep (its "
                        "name cannot be recorded). It stays where it is"),
              1U)
        << ::testing::PrintToString(view.log);

    StoreMany(8);
    trash.verdict = {};
    trash.refusal = "no trash on this disk";
    trash.trashed.clear();
    housekeeper.RunPass();
    EXPECT_TRUE(trash.trashed.empty());
    EXPECT_EQ(LinesWith("r000.rep (no trash on this disk); r001.rep (no trash on this disk); "
                        "r002.rep (no trash on this disk). They stay where they are"),
              1U)
        << "three tries, then the pass ends";
}

TEST_F(Housekeeping, AKeptMarkAnotherWriterSetsIsHonouredAndNeverLost) {
    StoreMany(6);
    Keep(Name(5));
    store.values[kKeyMostReplays] = "1";
    const auto otherWriter = [this](int keptToo) {
        // Another Clipwarden (the Windows one over the same folder, say) keeps one more, and
        // writes as Clipwarden does: a new file renamed over the old.
        WriteFile(Path("other.tmp"), R"({"version":1,"replays":{")" + Name(5) +
                                         R"(":{"kept":true,"label":"","size":8},")" +
                                         Name(keptToo) +
                                         R"(":{"kept":true,"label":"theirs","size":8}}})");
        std::filesystem::rename(Path("other.tmp"), Path(kLabelFileName));
    };
    otherWriter(0);
    housekeeper.RunPass();
    EXPECT_TRUE(std::filesystem::exists(Path(Name(0)))) << "read again before the pass";

    // Kept meanwhile, while the pass runs: it stops before the next move.
    std::string why;
    trash.verdict = [&](const std::string&) {
        if (trash.trashed.empty()) {
            otherWriter(3);
        }
        return std::string();
    };
    StoreMany(6);
    ASSERT_TRUE(library.labels().Set(Name(0), 8, {"mine", false}, why)) << why;
    trash.trashed.clear();
    housekeeper.RunPass();
    EXPECT_EQ(trash.trashed, std::vector<std::string>{Path(Name(0))});
    EXPECT_EQ(LinesWith("Housekeeping stopped: the label file changed while it ran"), 1U);
    housekeeper.RunPass();
    EXPECT_TRUE(std::filesystem::exists(Path(Name(3))));

    // A write of ours reads theirs first: their label and kept mark stay.
    otherWriter(2);
    ASSERT_TRUE(library.labels().Set(Name(4), 8, {"ours", false}, why)) << why;
    const auto back = LibraryLabels::Parse(ReadFile(Path(kLabelFileName)), false);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->at(Name(2)).mark.label, "theirs");
    EXPECT_TRUE(back->at(Name(2)).mark.kept);
    EXPECT_TRUE(back->at(Name(3)).mark.kept) << "a kept mark is never dropped";
    EXPECT_EQ(back->at(Name(4)).mark.label, "ours");
}

TEST_F(Housekeeping, AReplayFromAFarFutureCountsAsTheNewest) {
    StoreMany(3);
    WriteFileAt(Path("future.rep"), "from 2300", 10'413'792'000); // 1 January 2300
    store.values[kKeyMostReplays] = "1";
    housekeeper.RunPass();
    EXPECT_TRUE(std::filesystem::exists(Path("future.rep")));
    EXPECT_EQ(trash.trashed.size(), 3U);
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
