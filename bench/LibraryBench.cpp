// The Library window over 10,000 stored replays: opening it (the second open, from the request
// to the first paint with every row, label file included), sorting and a keystroke in the
// filter (each with its repaint), the memory the open window adds, and a housekeeping pass that
// weighs every replay; beside the baseline of a listing with one stat a file.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <fstream>
#include <memory>
#include <sstream>

#include "Fakes.h"
#include "ReplayWriter.h"
#include "ServiceRig.h"
#include "TempDir.h"
#include "app/qt/LibraryWindow.h"
#include "app/qt/MainWindow.h"
#include "core/replays/Housekeeper.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtSettingsStore.h"

namespace clipwarden::test {
namespace {

constexpr int kReplays = 10'000;

/** 10,000 small stored replays, a tenth of them labelled, in one folder made once. */
const TempDir& Library() {
    static const TempDir made;
    static const bool filled = [] {
        std::filesystem::create_directories(made / "replays");
        std::string labels = R"({"version": 1, "replays": {)";
        for (int i = 0; i < kReplays; ++i) {
            const std::string name =
                "replay" + std::to_string(1000 + i % 1200) + "-" + std::to_string(i) + ".rep";
            WriteFileAt(made / "replays/" + name, std::string(64 + i % 512, 'r'),
                        1'600'000'000 + i * 37 % 100'000);
            if (i % 10 == 0) {
                labels += std::string(i == 0 ? "" : ",") + "\"" + name + R"(": {"label": "take )" +
                          std::to_string(i) + R"(", "kept": false, "size": )" +
                          std::to_string(64 + i % 512) + "}";
            }
        }
        WriteFile(made / "replays/clipwarden-library.json", labels + "}}");
        return true;
    }();
    static_cast<void>(filled);
    return made;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

/** 10,000 replays in the game's format (eight distinct drives, linked under many names, so
 *  that they sit in the page cache), with a cache folder for their details index. */
const TempDir& ReplaysWithDetails() {
    static const TempDir made;
    static const bool filled = [] {
        std::filesystem::create_directories(made / "replays");
        std::filesystem::create_directories(made / "cache");
        const replaywriter::Point places[] = {
            {220, -1270, 10}, {400, -300, 10}, {-900, 1000, 10}, {-1000, -500, 10}};
        for (int distinct = 0; distinct < 8; ++distinct) {
            replaywriter::ScriptedDrive drive;
            drive.waypoints = {places[distinct % 4], places[(distinct + 1) % 4]};
            drive.vehicles = {{2, static_cast<std::uint16_t>(distinct < 4 ? 159 : 168), false},
                              {5, static_cast<std::uint16_t>(130 + distinct), false}};
            drive.playerVehicle = distinct % 2 == 0 ? 0 : -1;
            drive.frames = 100 + distinct * 40;
            drive.hours = distinct * 3;
            replaywriter::WriteGameFile(made / ("distinct" + std::to_string(distinct)),
                                        replaywriter::BuildReplay(drive));
        }
        for (int i = 0; i < kReplays; ++i) {
            std::filesystem::create_hard_link(made / ("distinct" + std::to_string(i % 8)),
                                              made / ("replays/replay" +
                                                      std::to_string(1000 + i % 1200) + "-" +
                                                      std::to_string(i) + ".rep"));
        }
        return true;
    }();
    static_cast<void>(filled);
    return made;
}

/** The main window over the library, with everything but files a stand-in. */
struct Program : ServiceRig {
    int argc = 1;
    char name[8] = "bench";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    std::unique_ptr<MainWindow> main;

    explicit Program(const TempDir& library = Library()) {
        settings.values["GTAVC-replays"] = library / "replays";
        shell.cache = library / "cache";
        main = std::make_unique<MainWindow>(services);
        main->Start();
    }
    /** Opens the Library once and lets its background read (if any) fill the details index. */
    void ReadDetails() {
        LibraryWindow* window = Open();
        auto* status = window->findChild<QLabel*>("statusLine");
        while (status->text().contains(QStringLiteral("Reading"))) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        Close();
    }
    LibraryWindow* Open() {
        main->ShowLibraryWindow();
        LibraryWindow* window = main->libraryWindow();
        window->table()->viewport()->repaint(); // the first paint, every row there to show
        return window;
    }
    void Close() {
        main->libraryWindow()->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void BM_ListAndStat10k(benchmark::State& state) {
    const std::string folder = Library() / "replays";
    for (auto _ : state) {
        DIR* dir = opendir(folder.c_str());
        std::size_t seen = 0;
        while (const dirent* entry = readdir(dir)) {
            struct stat info {};
            seen += fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0;
        }
        closedir(dir);
        benchmark::DoNotOptimize(seen);
    }
}
BENCHMARK(BM_ListAndStat10k)->Unit(benchmark::kMillisecond);

/** A pass after a capture whose rule holds: it lists and weighs all 10,000 replays, label file
 *  included, and moves none. What it adds to the listing is the choosing. */
void BM_HousekeepingPass10k(benchmark::State& state) {
    PosixFileSystem files;
    FakeClock clock;
    FakeTrash trash;
    FakeSettingsStore store;
    Settings settings{store};
    FakeMainView view;
    FakeGameText game;
    std::ostringstream echo;
    Notifier notifier{view, game, echo};
    ReplayLibrary library{files, clock};
    library.SetFolder(Library() / "replays");
    library.labels().Load(library.folder());
    store.values[kKeyMostReplays] = std::to_string(kReplays);
    store.values[kKeyMostDays] = "100000";
    Housekeeper housekeeper{files, clock, trash, library, settings, notifier};
    for (auto _ : state) {
        housekeeper.RunPass();
    }
    if (!trash.trashed.empty() || !view.log.empty()) {
        state.SkipWithError("a pass whose rules hold moved or said something");
    }
}
BENCHMARK(BM_HousekeepingPass10k)->Unit(benchmark::kMillisecond);

/** The second open of 10,000 stored replays (the first sets up Qt's styles and fonts): small
 *  files (0), or replays in the game's format whose details the index holds (1), each row then
 *  with its length, place, time and vehicles, named when shown. */
void BM_LibraryOpen10k(benchmark::State& state) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool details = state.range(0) == 1;
    Program program(details ? ReplaysWithDetails() : Library());
    // From before the first open: Qt's styles and fonts, the rows and their details' index.
    const long before = ResidentKiB();
    program.ReadDetails();
    long added = 0;
    for (auto _ : state) {
        LibraryWindow* window = program.Open();
        state.PauseTiming();
        added = ResidentKiB() - before;
        const LibraryPresenter& library = window->presenter();
        if (library.RowCount() != kReplays ||
            (details && library.CellText(kReplays - 1, LibraryColumn::Place).empty())) {
            state.SkipWithError("not every row is listed, with its details where it has them");
        }
        program.Close();
        state.ResumeTiming();
    }
    state.counters["added_MiB"] = static_cast<double>(added) / 1024.0;
    state.SetLabel(details ? "with details" : "small files");
}
BENCHMARK(BM_LibraryOpen10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LibrarySortAndFilter10k(benchmark::State& state) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Program program;
    LibraryWindow* window = program.Open();
    LibraryPresenter& library = window->presenter();
    const bool sorting = state.range(0) == 0;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        if (sorting) {
            library.OnSort(flip ? LibraryColumn::Recorded : LibraryColumn::Size, flip);
        } else {
            library.OnFilter(flip ? "take 1" : "take 12");
        }
        window->table()->viewport()->repaint(); // what the user sees of it, drawn
    }
    state.SetLabel(sorting ? "sort" : "filter keystroke");
}
BENCHMARK(BM_LibrarySortAndFilter10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

/** Sorting 10,000 rows by length or place (0), a filter keystroke over places and vehicles
 *  (1), each with its repaint; and choosing a row, its file read and its sketch drawn (2). */
void BM_LibraryDetails10k(benchmark::State& state) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Program program(ReplaysWithDetails());
    program.ReadDetails();
    LibraryWindow* window = program.Open();
    LibraryPresenter& library = window->presenter();
    QTableView* table = window->table();
    bool flip = false;
    int row = 0;
    for (auto _ : state) {
        flip = !flip;
        switch (state.range(0)) {
        case 0:
            library.OnSort(flip ? LibraryColumn::Length : LibraryColumn::Place, flip);
            table->viewport()->repaint();
            break;
        case 1:
            library.OnFilter(flip ? "banshee" : "vice point");
            table->viewport()->repaint();
            break;
        default:
            row = (row + 997) % kReplays;
            table->setCurrentIndex(table->model()->index(row, 0));
            window->sketch()->repaint();
            break;
        }
    }
    if (state.range(0) == 2 && window->sketch()->sketch() == nullptr) {
        state.SkipWithError("no sketch was drawn");
    }
    state.SetLabel(state.range(0) == 0   ? "sort by length or place"
                   : state.range(0) == 1 ? "filter keystroke over places and vehicles"
                                         : "select a row and draw its sketch");
}
BENCHMARK(BM_LibraryDetails10k)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

/** From the writer's close of a 1 MB replay.rep to its "saved!" line, through the real folder
 *  watch, the capture and its copy: the median of 20 recordings, on tmpfs (0) and on disk (1),
 *  where fsync differs. */
void BM_CaptureLatency1MB(benchmark::State& state) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string made =
        (state.range(0) == 0 ? "/dev/shm" : "/var/tmp") + std::string("/clipwarden-bench-XXXXXX");
    if (mkdtemp(made.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path dir(made);
    std::filesystem::create_directories(dir / "replays");
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    PosixFileSystem files;
    const auto clock = CreateClock();
    QtSettingsStore settings{QString::fromStdString((dir / "Clipwarden.conf").string())};
    settings.Write("GTAVC-replays", (dir / "replays").string());
    FakeShellFolders shell;
    FakeProcesses processes;
    FakeKeys keys;
    FakeLauncher launcher;
    FakeTrash trash;
    FakeFileManager fileManager;
    const auto watch = CreateFolderWatch();
    FakeRegistry registry;
    std::ostringstream echo;
    Services services{files, *clock,      settings, shell,    processes, keys, launcher,
                      trash, fileManager, *watch,   registry, echo,      "/games", SearchPlaces{}};
    MainWindow main(services);
    main.Start();
    const std::string slot = (dir / "replays/replay.rep").string();
    std::vector<double> latencies;
    for (auto _ : state) {
        const std::string recording(1'000'000, static_cast<char>('a' + latencies.size() % 26));
        const std::size_t before = echo.str().size();
        {
            std::ofstream writer(slot, std::ios::binary | std::ios::trunc);
            writer << recording;
        } // closed here: the clock starts
        const auto closed = std::chrono::steady_clock::now();
        while (echo.str().find("saved!", before) == std::string::npos) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - closed).count();
        state.SetIterationTime(seconds);
        latencies.push_back(seconds);
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2] * 1000;
    state.SetLabel(state.range(0) == 0 ? "tmpfs" : "disk");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CaptureLatency1MB)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace clipwarden::test
