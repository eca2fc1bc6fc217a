// The Library: its label file over real files, and its presenter over a real replay folder
// with a plain view, a trash of its own and the real capture and F5/F6 selection.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ReplayHarness.h"
#include "ReplayWriter.h"
#include "core/presenters/LibraryPresenter.h"

namespace clipwarden::test {
namespace {

std::string Log(const FakeMainView& view) {
    std::string all;
    for (const auto& line : view.log) {
        all += line + "\n";
    }
    return all;
}

TEST(LibraryLabels, RoundTripKeepsOddNamesAndDropsWhatNoLongerMatches) {
    const std::string odd = "replay\xff\\x41\n.rep"; // not UTF-8, a backslash text, a newline
    LibraryLabels::Entries entries;
    entries[odd] = {odd, 7, {"the great jump \xe2\x9c\x93", true}};
    entries["b.rep"] = {"b.rep", 9, {"", true}};
    const auto back = LibraryLabels::Parse(LibraryLabels::Serialize(entries), false);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2U);
    EXPECT_EQ(back->at(odd).name, odd);
    EXPECT_EQ(back->at(odd).mark.label, "the great jump \xe2\x9c\x93");
    EXPECT_TRUE(back->at("b.rep").mark.kept);

    TempDir dir;
    PosixFileSystem files;
    LibraryLabels labels(files);
    EXPECT_EQ(labels.Load(dir.str()), "");
    EXPECT_EQ(labels.state(), LibraryLabels::State::None);
    std::string why;
    ASSERT_TRUE(labels.Set(odd, 7, {std::string(300, 'x'), false}, why)) << why;
    LibraryLabels again(files);
    EXPECT_EQ(again.Load(dir.str()), "");
    ASSERT_TRUE(again.Find(odd, 7));
    EXPECT_EQ(again.Find(odd, 7)->label, std::string(kLongestLabel, 'x'));
    EXPECT_FALSE(again.Find(odd, 8)) << "another size is another replay";
    ASSERT_TRUE(again.Forget(odd, why));
    EXPECT_FALSE(again.Find(odd, 7));
}

TEST(LibraryLabels, AFileItCannotUseIsNeverOverwritten) {
    TempDir dir;
    PosixFileSystem files;
    const std::string path = dir / kLabelFileName;
    std::string why;

    // Garbage, and a file far too large: set aside, and a new file begins.
    for (const std::string& content :
         {std::string("\x00\x01{garbage", 10), std::string(kMostLabelFileBytes + 1, ' ')}) {
        WriteFile(path, content);
        LibraryLabels labels(files);
        EXPECT_NE(labels.Load(dir.str()).find("could not be read as one"), std::string::npos);
        EXPECT_TRUE(labels.available());
        EXPECT_TRUE(labels.Set("a.rep", 1, {"new", false}, why)) << why;
    }
    EXPECT_EQ(ReadFile(path + ".damaged").substr(0, 10), std::string("\x00\x01{garbage", 10));
    EXPECT_EQ(std::filesystem::file_size(path + ".damaged-2"), kMostLabelFileBytes + 1);

    // Written by a newer program, or not a file at all: left alone, nothing written.
    WriteFile(path, R"({"version": 2, "replays": {}})");
    LibraryLabels newer(files);
    EXPECT_NE(newer.Load(dir.str()).find("newer Clipwarden"), std::string::npos);
    EXPECT_FALSE(newer.Set("a.rep", 1, {"x", true}, why));
    EXPECT_EQ(ReadFile(path), R"({"version": 2, "replays": {}})");
    // Sixteen million brackets: set aside unparsed (a parser would build a tree of each).
    WriteFile(path, std::string(kMostLabelFileBytes, '['));
    LibraryLabels deep(files);
    EXPECT_NE(deep.Load(dir.str()).find("could not be read as one"), std::string::npos);
    EXPECT_TRUE(deep.available());
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    LibraryLabels fifo(files);
    EXPECT_NE(fifo.Load(dir.str()).find("is not an ordinary file"), std::string::npos) << "no hang";
    EXPECT_FALSE(fifo.available());
    EXPECT_FALSE(fifo.Forget("a.rep", why) && fifo.Set("a.rep", 1, {"x", true}, why));

    // Read once and removed since: not written anew behind the remover's back.
    std::filesystem::remove(path);
    LibraryLabels gone(files);
    gone.Load(dir.str());
    ASSERT_TRUE(gone.Set("a.rep", 1, {"x", true}, why));
    std::filesystem::remove(path);
    EXPECT_FALSE(gone.Set("a.rep", 1, {"y", true}, why));
    EXPECT_NE(why.find("gone missing"), std::string::npos);
    EXPECT_FALSE(gone.available());
    EXPECT_FALSE(std::filesystem::exists(path));
}

/** The Library window as a test sees it: which rows it was told of, what it answered. */
struct FakeLibraryView final : LibraryView {
    int resets = 0;
    std::vector<std::size_t> inserted;
    std::vector<std::size_t> removed;
    std::string status;
    std::string empty;
    std::string writingWhyNot = "?";
    bool answer = true;
    std::vector<std::string> questions;
    void RowsReset() override { ++resets; }
    void RowInserted(std::size_t at) override { inserted.push_back(at); }
    void RowRemoved(std::size_t at) override { removed.push_back(at); }
    void RowChanged(std::size_t) override {}
    void ShowStatus(const std::string& s, const std::string& e) override {
        status = s;
        empty = e;
    }
    void ScrollTo(std::size_t) override {}
    void EnableWriting(const std::string& whyNot, const std::string&) override {
        writingWhyNot = whyNot;
    }
    bool Confirm(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }
    std::string AskCopyDestination(const std::string&) override { return {}; }
    std::vector<std::pair<std::function<void()>, std::function<void()>>> aside;
    void RunAside(std::function<void()> work, std::function<void()> done) override {
        aside.emplace_back(std::move(work), std::move(done)); // the test runs them
    }
    bool cancelShown = false;
    void ShowCancel(bool shown) override { cancelShown = shown; }
    /** With `holdBackground`, the details read is held until the test runs it. */
    bool holdBackground = false;
    std::vector<std::function<void(const PostStep&)>> background;
    void RunInBackground(std::function<void(const PostStep&)> work) override {
        if (holdBackground) {
            background.push_back(std::move(work));
        } else {
            LibraryView::RunInBackground(std::move(work));
        }
    }
    /** Runs a held read to its end; the number of steps it posted, each run as it comes. */
    std::size_t RunBackground(std::size_t which) {
        std::size_t steps = 0;
        background.at(which)([&steps](std::function<void()> step) {
            ++steps;
            step();
        });
        return steps;
    }
    /** Runs what was handed aside, as the view's threads and queue would. */
    void RunHeld() {
        auto held = std::move(aside);
        aside.clear();
        for (auto& [work, done] : held) {
            work();
            done();
        }
    }
};

struct Library : ::testing::Test, ReplayHarness {
    FakeTrash trash;
    FakeFileManager fileManager;
    FakeLibraryView libraryView;
    FakeSettingsStore store;
    Settings settings{store};
    Housekeeper housekeeper{files, clock, trash, library, settings, notifier};
    LibraryPresenter presenter{
        {files, clock, trash, fileManager, library, selection, notifier, housekeeper, {}, {}},
        libraryView};

    Library() { library.labels().Load(dir.str()); }

    std::string Names() {
        std::string names;
        for (std::size_t i = 0; i < presenter.RowCount(); ++i) {
            names += (names.empty() ? "" : " ") + presenter.Row(i).name;
        }
        return names;
    }
    std::size_t At(const std::string& name) {
        for (std::size_t i = 0; i < presenter.RowCount(); ++i) {
            if (presenter.Row(i).name == name) {
                return i;
            }
        }
        ADD_FAILURE() << name << " is not listed";
        return 0;
    }
};

TEST_F(Library, ListsWhatTheKeysStepThroughAndFollowsCapturesFilterAndSort) {
    presenter.Open();
    EXPECT_NE(libraryView.empty.find("drop .rep files"), std::string::npos);
    Store("b.rep", "bb");
    Store("A.rep", "aaaa");
    Store("c.rep", "c");
    WriteFile(Path("notes.txt"), "not a replay");
    Record("the slot");
    presenter.Open();
    EXPECT_EQ(Names(), "A.rep b.rep c.rep") << "the slot is not a stored replay";
    EXPECT_EQ(libraryView.status, "3 replays, 7 bytes");
    EXPECT_EQ(libraryView.empty, "");

    Tick(); // the slot's recording is captured: a row of its own, marked current
    ASSERT_EQ(Names(), "A.rep b.rep c.rep replay0612-0.rep");
    EXPECT_EQ(libraryView.inserted, std::vector<std::size_t>{3});
    EXPECT_TRUE(presenter.Row(3).current);
    EXPECT_FALSE(presenter.Row(2).current);

    presenter.OnSort(LibraryColumn::Size, false);
    EXPECT_EQ(Names(), "replay0612-0.rep A.rep b.rep c.rep");
    presenter.OnFilter("B");
    EXPECT_EQ(Names(), "b.rep");
    EXPECT_EQ(libraryView.status, "1 shown of 4 replays, 15 bytes");
    std::string why;
    presenter.OnLabel(At("b.rep"), "Great Jump");
    presenter.OnFilter("jump");
    EXPECT_EQ(Names(), "b.rep") << "the filter looks in labels too";
}

TEST_F(Library, PlayKeepsEveryRuleOfTheKeysAndMovesTheirCursor) {
    Store("a.rep", "first");
    Store("b.rep", "second");
    Store("c.rep", "third");
    library.cursor().SetCurrentReplay("c.rep");
    Record("not stored yet");
    presenter.Open();

    view.holdAside = true; // the slot's copy is in flight: nothing is selected
    presenter.OnLoadIntoGame(At("a.rep"));
    EXPECT_NE(view.log.back().find("still writing"), std::string::npos);
    clock.steady += kSettleMilliseconds;
    presenter.OnLoadIntoGame(At("a.rep"));
    EXPECT_NE(view.log.back().find("still writing"), std::string::npos);
    view.holdAside = false;
    for (auto& [work, done] : view.aside) {
        work();
        done();
    }
    EXPECT_EQ(ReadFile(Path("replay0612-0.rep")), "not stored yet") << "stored first";

    presenter.OnLoadIntoGame(At("a.rep"));
    EXPECT_EQ(ReadFile(Path("replay.rep")), "first");
    EXPECT_EQ(view.log.back(), "[14:03:27] a.rep has been selected for replay!");
    EXPECT_TRUE(presenter.Row(At("a.rep")).current);
    selection.SelectNextReplay();
    EXPECT_EQ(ReadFile(Path("replay.rep")), "second") << "F6 goes on from the played one";
    EXPECT_TRUE(presenter.Row(At("b.rep")).current);
    EXPECT_FALSE(presenter.Row(At("a.rep")).current);

    std::filesystem::remove(Path("c.rep")); // gone behind the list's back
    presenter.OnLoadIntoGame(At("c.rep"));
    EXPECT_NE(view.log.back().find("c.rep"), std::string::npos);
    EXPECT_EQ(Names().find("c.rep"), std::string::npos) << "the list is corrected";
    EXPECT_EQ(ReadFile(Path("replay.rep")), "second");
}

TEST_F(Library, OneReplayIsCurrentAnotherInTheSlotBothProtectedAndLoadingSaysHowToPlay) {
    Store("a.rep", "first");
    Store("b.rep", "second");
    Store("c.rep", "third");
    library.cursor().SetCurrentReplay("c.rep");
    std::error_code error;
    library.cursor().AccountForSlot(*files.Stamp(Path("b.rep"), error)); // the slot holds b
    presenter.Open();
    EXPECT_TRUE(presenter.Row(At("c.rep")).current);
    EXPECT_FALSE(presenter.Row(At("b.rep")).current) << "one current mark, where F5/F6 stand";
    EXPECT_TRUE(presenter.Row(At("b.rep")).inSlot);
    presenter.OnDelete({At("b.rep"), At("c.rep")});
    libraryView.RunHeld();
    EXPECT_TRUE(trash.trashed.empty()) << "both stay";
    EXPECT_NE(Log(view).find("b.rep is in replay.rep, so it was not moved"), std::string::npos);
    EXPECT_NE(libraryView.status.find("c.rep is the current replay, so it was not moved"),
              std::string::npos)
        << "the last word said where the player looks too: " << libraryView.status;

    presenter.OnLoadIntoGame(At("a.rep"));
    EXPECT_NE(libraryView.status.find("a.rep is in replay.rep: in the game, choose Play replay."),
              std::string::npos)
        << libraryView.status;
    EXPECT_TRUE(presenter.Row(At("a.rep")).current);
}

TEST_F(Library, ALongDeleteAndAHousekeepingPassShowTheirProgressAndStopWhenCancelled) {
    for (int i = 0; i < 6; ++i) {
        Store("r" + std::to_string(i) + ".rep", "replay " + std::to_string(i));
    }
    library.cursor().SetCurrentReplay("r5.rep");
    presenter.Open();
    presenter.OnDelete({0, 1, 2, 3, 4});
    presenter.OnProgressTick();
    EXPECT_NE(libraryView.status.find("Moving 5 replays to the trash: 0"), std::string::npos)
        << libraryView.status;
    EXPECT_TRUE(libraryView.cancelShown);
    // Cancel comes while the second file is moved: it stops after that one.
    trash.verdict = [this](const std::string& path) {
        if (path.find("r1.rep") != std::string::npos) {
            presenter.OnCancel();
        }
        return std::string();
    };
    libraryView.RunHeld();
    EXPECT_EQ(trash.trashed.size(), 2U);
    for (int i = 2; i < 6; ++i) {
        EXPECT_TRUE(std::filesystem::exists(Path("r" + std::to_string(i) + ".rep")));
    }
    EXPECT_NE(Log(view).find("Stopped when asked, after 2 of 5 replays; the rest stay"),
              std::string::npos)
        << Log(view);
    EXPECT_FALSE(libraryView.cancelShown) << "nothing under way any more";
    EXPECT_EQ(presenter.RowCount(), 4U) << "the list shows what is there";

    // A housekeeping pass that keeps one replay: Cancel after the first move.
    store.values[kKeyMostReplays] = "1";
    trash.verdict = [this](const std::string&) {
        housekeeper.CancelPass();
        return std::string();
    };
    housekeeper.RunPass();
    EXPECT_EQ(trash.trashed.size(), 3U) << "one more, then it stopped";
    EXPECT_NE(Log(view).find("Housekeeping stopped when asked, after 1 of 2 replays"),
              std::string::npos)
        << Log(view);
}

TEST_F(Library, KeepAndDeleteNeverLoseAKeptOrTheCurrentReplay) {
    Store("a.rep", "first");
    Store("b.rep", "second");
    Store("c.rep", "third");
    library.cursor().SetCurrentReplay("c.rep");
    presenter.Open();
    presenter.OnToggleKept({At("a.rep")});
    EXPECT_TRUE(presenter.Row(At("a.rep")).kept);
    EXPECT_NE(ReadFile(Path(kLabelFileName)).find("\"kept\": true"), std::string::npos);

    libraryView.answer = false;
    presenter.OnDelete({0, 1, 2});
    ASSERT_EQ(libraryView.questions.size(), 1U);
    EXPECT_NE(libraryView.questions[0].find("1 of the 2 replays are kept"), std::string::npos);
    EXPECT_TRUE(trash.trashed.empty()) << "no means no, for all of them";
    EXPECT_NE(Log(view).find("c.rep is the current replay, so it was not moved"),
              std::string::npos);

    trash.refusal = "the disk has no trash";
    libraryView.answer = true;
    presenter.OnDelete({At("b.rep")});
    EXPECT_EQ(Names(), "a.rep b.rep c.rep") << "the moves run aside";
    libraryView.RunHeld();
    EXPECT_NE(view.log.back().find("b.rep was not moved to the trash (the disk has no trash)"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(Path("b.rep")));
    EXPECT_EQ(Names(), "a.rep b.rep c.rep");

    trash.refusal.clear();
    presenter.OnDelete({At("a.rep"), At("b.rep")});
    libraryView.RunHeld();
    EXPECT_EQ(Names(), "c.rep");
    EXPECT_EQ(view.log.back(), "[14:03:27] Moved 2 replays to the trash (11 bytes).");
    EXPECT_TRUE(std::filesystem::exists(Path("a.rep.trashed")));
    // The name comes back as another replay of the same size: no old mark.
    Store("a.rep", "FIRST");
    presenter.OnChanged("a.rep");
    EXPECT_FALSE(presenter.Row(At("a.rep")).kept);
}

TEST_F(Library, ImportCopiesInUnderANewNameAndRefusesWhatIsNoNewReplay) {
    TempDir elsewhere;
    Store("a.rep", "stored already");
    presenter.Open();
    WriteFileAt(elsewhere / "jump.REP", "a jump", 1'234'567'890);
    WriteFileAt(elsewhere / "same.rep", "stored already", 1'500'000'000);
    WriteFile(elsewhere / "empty.rep", "");
    WriteFile(elsewhere / "notes.txt", "text");
    std::filesystem::create_directory(elsewhere / "folder.rep");
    presenter.OnImport({elsewhere / "jump.REP", elsewhere / "same.rep", elsewhere / "empty.rep",
                        elsewhere / "notes.txt", elsewhere / "folder.rep", Path("a.rep")});
    EXPECT_EQ(Names(), "a.rep") << "the copies run aside";
    libraryView.RunHeld();
    EXPECT_EQ(Names(), "a.rep replay0612-0.rep");
    EXPECT_EQ(ReadFile(Path("replay0612-0.rep")), "a jump");
    EXPECT_EQ(std::filesystem::last_write_time(Path("replay0612-0.rep")),
              std::filesystem::last_write_time(elsewhere / "jump.REP"))
        << "it keeps its own time";
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "jump.REP")) << "copied, never moved";
    const std::string log = Log(view);
    EXPECT_NE(log.find("jump.REP was imported as replay0612-0.rep."), std::string::npos);
    EXPECT_NE(log.find("same.rep was not imported: it holds the same recording as a.rep"),
              std::string::npos);
    EXPECT_NE(log.find("empty.rep was not imported: it is empty"), std::string::npos);
    EXPECT_NE(log.find("notes.txt was not imported: it is not a .rep file"), std::string::npos);
    // A name's newline is escaped once, as everywhere in the log: never into a second line,
    // never into a backslash escaped anew.
    presenter.OnImport({elsewhere / "two\nlines.txt"});
    libraryView.RunHeld();
    EXPECT_EQ(view.log.back(), "[14:03:27] two\\nlines.txt was not imported: it is not a .rep file.");
    EXPECT_NE(log.find("folder.rep was not imported: not a recording"), std::string::npos);
    EXPECT_EQ(log.find("a.rep was not imported"), std::string::npos)
        << "a row dropped back onto the list is ignored";
}

TEST_F(Library, ManyFilesDroppedAtOnceComeInUnderFreeNamesAndAreSaidInOneLine) {
    const std::string elsewhere = dir / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    std::vector<std::string> dropped;
    for (int i = 0; i < 150; ++i) {
        dropped.push_back(elsewhere + "/take" + std::to_string(i) + ".rep");
        WriteFile(dropped.back(), "take " + std::to_string(i));
    }
    dropped.push_back(elsewhere + "/again.rep"); // the same as one before it in this drop
    WriteFile(dropped.back(), "take 7");
    Store("replay0612-1.rep", "a capture of today's");
    presenter.Open();
    presenter.OnImport(dropped);
    EXPECT_NE(view.log.back().find("Importing 151 files"), std::string::npos);
    libraryView.RunHeld();
    libraryView.RunHeld(); // the listing anew reads its rows aside too
    EXPECT_EQ(view.log.back(),
              "[14:03:27] Imported 150 of 151 files; 1 was not (a file that is no replay, "
              "empty, or held already).");
    EXPECT_EQ(ReadFile(Path("replay0612-1.rep")), "a capture of today's") << "never replaced";
    EXPECT_EQ(ReadFile(Path("replay0612-2.rep")), "take 0");
    EXPECT_EQ(ReadFile(Path("replay0612-151.rep")), "take 149");
    EXPECT_FALSE(std::filesystem::exists(Path("replay0612-152.rep")));
    EXPECT_EQ(presenter.RowCount(), 151U);
}

TEST_F(Library, AHugeFolderIsListedByNameAtOnceAndReadInTheBackground) {
    for (std::size_t i = 0; i <= kReadAtOnce; ++i) {
        WriteFile(Path("r" + std::to_string(100000 + i) + ".rep"), "x");
    }
    library.cursor().SetCurrentReplay("r100007.rep");
    presenter.Open();
    ASSERT_EQ(presenter.RowCount(), kReadAtOnce + 1);
    EXPECT_FALSE(presenter.Row(0).readable) << "not read on the GUI thread";
    ASSERT_EQ(libraryView.aside.size(), 1U);
    std::filesystem::remove(Path("r100003.rep")); // gone while the background read runs
    libraryView.aside[0].first();
    EXPECT_FALSE(presenter.Row(0).readable) << "nothing is shown before it is back";
    libraryView.aside[0].second();
    EXPECT_EQ(presenter.RowCount(), kReadAtOnce);
    EXPECT_TRUE(presenter.Row(0).readable);
    EXPECT_EQ(presenter.Row(0).stamp.size, 1U);
    EXPECT_TRUE(presenter.Row(At("r100007.rep")).current);
    EXPECT_NE(libraryView.status.find(std::to_string(kReadAtOnce) + " replays"), std::string::npos);
}

TEST_F(Library, AnEmptyLibraryNamesItsFolderAndSaysWhyNothingIsListed) {
    presenter.Open();
    EXPECT_EQ(libraryView.empty.rfind("No replays are stored in " + dir.str() + " yet.", 0), 0U)
        << libraryView.empty;

    const std::string missing = dir / "not yet";
    library.SetFolder(missing);
    presenter.OnChanged({});
    EXPECT_NE(libraryView.empty.find("The replay folder " + missing + " does not exist yet."),
              std::string::npos)
        << libraryView.empty;

    const std::string file = dir / "a file";
    WriteFile(file, "not a folder");
    library.SetFolder(file);
    presenter.OnChanged({});
    EXPECT_NE(libraryView.empty.find("The replay folder " + file + " cannot be read ("),
              std::string::npos)
        << libraryView.empty;
    EXPECT_NE(libraryView.empty.find("or choose another folder"), std::string::npos);
}

TEST_F(Library, AReadOnlyFolderSaysWhyItsActionsAreOff) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    chmod(dir.str().c_str(), 0555);
    presenter.Open();
    chmod(dir.str().c_str(), 0755);
    EXPECT_NE(libraryView.writingWhyNot.find("read-only"), std::string::npos);
}

/** A replay of the game's format: the player from one point to another, in the vehicle at
 *  `drive` of `models` (on foot for -1). */
std::string Drive(replaywriter::Point from, replaywriter::Point to, std::vector<int> models,
                  int drive, int frames = 60) {
    replaywriter::ScriptedDrive script;
    script.waypoints = {from, to};
    script.frames = frames;
    for (std::size_t i = 0; i < models.size(); ++i) {
        script.vehicles.push_back(
            {static_cast<int>(i) * 3 + 2, static_cast<std::uint16_t>(models[i]), false});
    }
    script.playerVehicle = drive;
    const auto bytes = replaywriter::BuildReplay(script);
    return {bytes.begin(), bytes.end()};
}

constexpr replaywriter::Point kOceanBeach = {220, -1270, 10};
constexpr replaywriter::Point kVicePoint = {400, -300, 10};
constexpr replaywriter::Point kDowntown = {-900, 1000, 10};
constexpr replaywriter::Point kLittleHavana = {-1000, -500, 10};
constexpr int kBanshee = 159;
constexpr int kCabbie = 168;

struct LibraryDetails : Library {
    LibraryDetails() {
        Store("chase.rep", Drive(kOceanBeach, kVicePoint, {kCabbie, kBanshee}, 1));
        Store("walk.rep", Drive(kDowntown, kDowntown, {kCabbie}, -1, 600));
        Store("notes.rep", "shopping list");
        std::string broken = Drive(kOceanBeach, kOceanBeach, {}, -1);
        broken[8] = '\xEE'; // a packet the game does not know, where the first frame starts
        Store("broken.rep", broken);
    }
    std::string Cell(const std::string& name, LibraryColumn column) {
        return presenter.CellText(At(name), column);
    }
};

TEST_F(LibraryDetails, EachRowShowsWhatItsReplayHoldsAndIsFoundAndSortedByIt) {
    presenter.Open();
    EXPECT_EQ(Cell("chase.rep", LibraryColumn::Place), "Ocean Beach to Vice Point");
    EXPECT_EQ(Cell("chase.rep", LibraryColumn::Vehicles), "Banshee, Cabbie")
        << "the player's own first";
    EXPECT_EQ(Cell("chase.rep", LibraryColumn::GameTime), "07:38 Extra sunny");
    EXPECT_EQ(Cell("walk.rep", LibraryColumn::Place), "Downtown");
    EXPECT_EQ(Cell("walk.rep", LibraryColumn::Length), "0:20");
    EXPECT_EQ(Cell("notes.rep", LibraryColumn::Place), "not a replay");
    EXPECT_TRUE(presenter.CellIsProblem(At("notes.rep"), LibraryColumn::Place));
    EXPECT_EQ(Cell("broken.rep", LibraryColumn::Place), "damaged");
    EXPECT_EQ(Cell("broken.rep", LibraryColumn::Length), "") << "nothing wrong is shown";
    EXPECT_FALSE(presenter.CellIsProblem(At("chase.rep"), LibraryColumn::Place));

    presenter.OnFilter("BANSHEE");
    EXPECT_EQ(Names(), "chase.rep");
    presenter.OnFilter("vice point");
    EXPECT_EQ(Names(), "chase.rep");
    presenter.OnFilter("");
    presenter.OnSort(LibraryColumn::Length, false);
    EXPECT_EQ(Names(), "walk.rep chase.rep broken.rep notes.rep")
        << "by seconds, not by the text (\"0:20\" < \"0:02\" would fail)";
    presenter.OnSort(LibraryColumn::Place, true);
    EXPECT_EQ(presenter.Row(presenter.RowCount() - 1).name, "chase.rep");

    const ReplayFacts facts = presenter.FactsOf(At("chase.rep"));
    ASSERT_TRUE(facts.replay);
    EXPECT_EQ(facts.sketch.description.rfind("Path from Ocean Beach to Vice Point, ", 0), 0U)
        << facts.sketch.description;
    EXPECT_GE(facts.sketch.path.size(), 2U);
    const auto& box = facts.sketch.view;
    for (const auto& point : facts.sketch.path) {
        EXPECT_TRUE(point[0] >= box.left && point[0] <= box.right && point[1] >= box.bottom &&
                    point[1] <= box.top)
            << "the whole path is in the picture";
    }
    EXPECT_FALSE(presenter.FactsOf(At("broken.rep")).replay);
}

TEST_F(LibraryDetails, TheIndexFollowsCapturesChangesDeletesAndANewStart) {
    libraryView.holdBackground = true;
    presenter.Open();
    ASSERT_EQ(libraryView.background.size(), 1U);
    EXPECT_NE(libraryView.status.find("Reading replays: 0 of 4"), std::string::npos)
        << libraryView.status;
    EXPECT_EQ(Cell("chase.rep", LibraryColumn::Place), "") << "not read yet: nothing shown";
    EXPECT_GE(libraryView.RunBackground(0), 1U);
    EXPECT_EQ(Cell("chase.rep", LibraryColumn::Place), "Ocean Beach to Vice Point");
    EXPECT_EQ(libraryView.status.find("Reading"), std::string::npos) << libraryView.status;

    // A capture is indexed from the bytes it copied: its row is full without a read.
    WriteFileAt(Path("replay.rep"), Drive(kLittleHavana, kDowntown, {kBanshee}, 0), now += 5);
    Tick();
    EXPECT_EQ(Cell("replay0612-0.rep", LibraryColumn::Place), "Little Havana to Downtown");
    EXPECT_EQ(libraryView.background.size(), 1U) << "no second read";

    // A file changed behind the index's back is read again.
    WriteFileAt(Path("walk.rep"), Drive(kVicePoint, kVicePoint, {}, -1), stored -= 10);
    presenter.OnChanged("walk.rep");
    EXPECT_EQ(Cell("walk.rep", LibraryColumn::Place), "") << "the old details are not shown";
    ASSERT_EQ(libraryView.background.size(), 2U);
    libraryView.RunBackground(1);
    EXPECT_EQ(Cell("walk.rep", LibraryColumn::Place), "Vice Point");

    presenter.OnDelete({At("chase.rep")});
    libraryView.RunHeld();
    ASSERT_EQ(trash.trashed.size(), 1U);
    EXPECT_EQ(library.details().index().size(), 4U) << "walk, notes, broken and the capture";

    // The index was written: a window opened anew shows every row at once and reads nothing.
    ReplayLibrary again(files, clock, cache.str());
    again.SetFolder(dir.str());
    EXPECT_EQ(again.details().Open(dir.str()), "");
    Housekeeper keeper{files, clock, trash, again, settings, notifier};
    FakeLibraryView reopened;
    reopened.holdBackground = true;
    LibraryPresenter second(
        {files, clock, trash, fileManager, again, selection, notifier, keeper, {}, {}}, reopened);
    second.Open();
    EXPECT_TRUE(reopened.background.empty());
    EXPECT_EQ(second.CellText(0, LibraryColumn::Place), "damaged");
}

TEST_F(LibraryDetails, TheBackgroundReadStopsWhenTheWindowClosesOrAnotherFolderIsChosen) {
    libraryView.holdBackground = true;
    presenter.Open();
    TempDir other;
    WriteFile(other / "elsewhere.rep", Drive(kDowntown, kDowntown, {kBanshee}, 0));
    library.SetFolder(other.str());
    library.details().Open(other.str());
    presenter.OnChanged({}); // another folder chosen while the first is read
    ASSERT_EQ(libraryView.background.size(), 2U);
    EXPECT_EQ(libraryView.RunBackground(0), 0U) << "the first folder's read stops at once";
    EXPECT_EQ(library.details().index().size(), 0U);
    EXPECT_EQ(libraryView.RunBackground(1), 1U);
    EXPECT_EQ(presenter.CellText(0, LibraryColumn::Place), "Downtown");

    FakeLibraryView closing;
    closing.holdBackground = true;
    WriteFile(other / "more.rep", Drive(kDowntown, kDowntown, {}, -1));
    {
        LibraryPresenter window(
            {files, clock, trash, fileManager, library, selection, notifier, housekeeper, {}, {}},
            closing);
        window.Open();
    } // closed before its read ran
    ASSERT_EQ(closing.background.size(), 1U);
    EXPECT_EQ(closing.RunBackground(0), 0U)
        << "nothing read, and no step reaches the closed window";
}

} // namespace
} // namespace clipwarden::test
