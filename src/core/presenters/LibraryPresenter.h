#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/gamefiles/CitySketch.h"
#include "core/gamefiles/GameNames.h"
#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/FileManager.h"
#include "core/ports/FileSystem.h"
#include "core/ports/Trash.h"
#include "core/presenters/LibraryView.h"
#include "core/replays/DetailsReader.h"
#include "core/replays/Housekeeper.h"
#include "core/replays/ReplayLibrary.h"
#include "core/replays/ReplaySelection.h"

namespace clipwarden {

/** Up to this many stored replays are read at once; more are read in the background. */
inline constexpr std::size_t kReadAtOnce = 20'000;

/** What the details index holds of a row's file, as the Library shows it: texts made with the
 *  game folder's names, and the raw figures the columns sort by. */
struct RowDetails {
    bool read = false; ///< the index holds the file as it is now; nothing is shown until then
    ReplayReading::Kind kind = ReplayReading::Kind::NotReplay;
    std::string why;       ///< what is wrong with a file that is no replay
    double seconds = -1;   ///< -1 when unknown
    int clockMinutes = -1; ///< the game's clock at the start, in minutes; -1 when unknown
    std::string length;
    std::string place;
    std::string gameTime;
    std::string vehicles;
};

/** One stored replay as the Library window lists it. */
struct LibraryRow {
    std::string name; ///< as stored
    std::string label;
    FileStamp stamp;       ///< zero when the file cannot be read (a link, gone meanwhile)
    bool readable = false; ///< whether `stamp` was read
    bool kept = false;
    bool current = false; ///< where F5/F6 stand: the one replay marked current
    /** Holds what replay.rep holds, and is not the current one (the slot was written by
     *  another hand). Protected as the current one is. */
    bool inSlot = false;
    RowDetails details;
    std::string search; ///< name, label, place and vehicles lower-cased: what the filter sees
};

/** The Library's columns, in the order their widths are stored (the first five are those of
 *  the window before details, whose stored widths still fit). */
enum class LibraryColumn { Name, Label, Recorded, Size, Kept, Length, Place, GameTime, Vehicles };
inline constexpr int kLibraryColumns = 9;
inline constexpr std::array<const char*, kLibraryColumns> kLibraryHeaders = {
    "Name", "Label", "Recorded", "Size", "Kept", "Length", "Place", "In game", "Vehicles"};
/** The columns in the header's menu, each with its access key; the name is always shown. */
inline constexpr std::array<const char*, kLibraryColumns> kLibraryColumnMenu = {
    "&Name", "&Label", "&Recorded", "&Size", "K&ept", "Len&gth", "&Place", "&In game", "&Vehicles"};
inline constexpr std::array<int, kLibraryColumns> kLibraryDefaultWidths = {150, 160, 130, 70, 50,
                                                                           60,  190, 130, 200};

/** The details pane of a replay: each figure the reader finds, and its path on the city. */
struct ReplayFacts {
    std::string name;
    std::vector<std::pair<std::string, std::string>> facts; ///< ("Length", "0:30 (…)")
    bool replay = false;
    CitySketch sketch; ///< for a replay
};

/** What the parts of the program the Library works with are. */
struct LibraryParts {
    FileSystem& files;
    Clock& clock;
    Trash& trash;
    FileManager& fileManager;
    ReplayLibrary& library;
    ReplaySelection& selection;
    Notifier& notifier;
    Housekeeper& housekeeper;
    /** The names of places and vehicles the game folder gives; asked at each listing, so that
     *  another game folder is followed. */
    std::function<const GameNames&()> names;
    /** Asks for another replay folder, as the main window's Select does. */
    std::function<void()> chooseFolder;
};

/** What the Library window does: its list of stored replays (filtered and sorted here, so
 *  that both programs' windows only show rows), and play, label, keep, delete, copy, import. */
class LibraryPresenter {
public:
    LibraryPresenter(LibraryParts parts, LibraryView& view);
    ~LibraryPresenter();
    LibraryPresenter(const LibraryPresenter&) = delete;
    LibraryPresenter& operator=(const LibraryPresenter&) = delete;
    LibraryPresenter(LibraryPresenter&&) = delete;
    LibraryPresenter& operator=(LibraryPresenter&&) = delete;

    /** Lists the folder and shows it, the current replay in view. */
    void Open();

    /** The rows on show, in order. */
    [[nodiscard]] std::size_t RowCount() const { return shown_.size(); }
    [[nodiscard]] const LibraryRow& Row(std::size_t at) const { return *shown_.at(at); }
    /** A cell's text; a name as stored (the view makes it showable). */
    [[nodiscard]] std::string CellText(std::size_t at, LibraryColumn column) const;
    /** Whether the cell says why its file is no replay (shown in grey). */
    [[nodiscard]] bool CellIsProblem(std::size_t at, LibraryColumn column) const;

    /** Everything about the row's replay, its path read from the file now. */
    [[nodiscard]] ReplayFacts FactsOf(std::size_t at) const;

    void OnFilter(const std::string& text);
    void OnSort(LibraryColumn column, bool ascending);
    [[nodiscard]] LibraryColumn sortColumn() const { return sortColumn_; }
    [[nodiscard]] bool sortAscending() const { return ascending_; }

    /** Load into game (Enter, a double-click): the replay goes into replay.rep as with F5/F6,
     *  and the status line says how to play it. */
    void OnLoadIntoGame(std::size_t at);
    void OnLabel(std::size_t at, const std::string& label);
    /** Keeps them all, or, when all are kept already, keeps none of them. */
    void OnToggleKept(const std::vector<std::size_t>& rows);
    /** To the trash, after a question when a kept one is among them. */
    void OnDelete(const std::vector<std::size_t>& rows);
    void OnShowInFolder(std::size_t at);
    /** The empty library's "Choose folder…": another replay folder, as Select chooses one. */
    void OnChooseFolder();
    void OnCopyTo(std::size_t at);
    /** Files dropped onto the list, copied in under new capture names. */
    void OnImport(const std::vector<std::string>& paths);

    /** A few times a second while the window is open: the progress of long work under way
     *  (a delete, a housekeeping pass) on the status line, with its Cancel. */
    void OnProgressTick();
    /** Cancel: long work under way stops after the file in hand. */
    void OnCancel();

    /** The housekeeping rules may have changed: the status line says them anew. */
    void OnRulesChanged();

    /** A stored replay was added, changed or removed ("" for anything at all). */
    void OnChanged(const std::string& name);

private:
    /** A background read of the details the index lacks, newest first. */
    struct DetailsRead {
        std::atomic<bool> stop{false};
        std::string folder;
        std::vector<DetailsJob> jobs;
        std::mutex mutex;                                        ///< guards the three below
        std::vector<std::pair<DetailsJob, ReplayReading>> found; ///< not yet taken in
        std::size_t done = 0;
        bool stepPosted = false;
    };
    /** Reads in the background the details of the rows the index lacks. */
    void ReadMissingDetails();
    /** On the GUI thread: puts what the read found into the index and the rows. */
    void TakeDetails(DetailsRead& read);
    /** Stops a read in flight, keeping what it found. */
    void StopReading();
    /** The row's details from the index, when it holds the file as it is now. */
    void FillDetails(LibraryRow& row);
    /** Lists the folder again and shows every row anew. */
    void Reload();
    /** The rows that pass the filter, in order, as the ones on show. */
    void Refilter();
    /** Refilter, then every row shown anew, and the current one in view. */
    void ShowSorted();
    /** The stamps of a huge folder, read off the GUI thread and then shown. */
    void ReadStampsAside();
    LibraryRow* Find(const std::string& name);
    /** Reads the file's stamp and marks into `row`. False when there is no such file. */
    bool Fill(LibraryRow& row);
    void FillMarks(LibraryRow& row) const;
    [[nodiscard]] bool Matches(const LibraryRow& row) const;
    [[nodiscard]] bool Before(const LibraryRow* a, const LibraryRow* b) const;
    /** Puts a row (not on show) where it belongs, when the filter lets it show. */
    void Place(LibraryRow* row);
    /** Moves or redraws a row on show whose values changed. */
    void Refresh(LibraryRow* row);
    void Remove(LibraryRow* row);
    /** Marks the current replay anew after the cursor moved; scrolls to it. */
    void CursorMoved();
    void ShowStatus();
    [[nodiscard]] std::size_t PositionOf(const LibraryRow* row) const;
    void Log(const std::string& body);
    /** Brings in one dropped file; false when it was refused (already logged). */
    /** Files dropped onto the library, on their way in. */
    struct Import {
        std::vector<std::string> paths;
        std::string folder;
        ReplayName next;                   ///< the first capture name to try
        std::vector<std::string> names;    ///< each one's new name; "" when not imported
        std::vector<std::string> refusals; ///< why not; "" for one dropped back in place
        struct Indexed {
            std::string name;
            FileStamp stamp;
            ReplayReading reading;
        };
        std::vector<Indexed> indexed; ///< what the copies hold, read as they were copied
    };
    /** Imports each file; touches only the import and the files. */
    static void ImportAll(Import& import, FileSystem& files);
    /** On the GUI thread: drops old labels of the names, says what happened, lists them. */
    void FinishImport(const Import& import);
    [[nodiscard]] std::vector<LibraryRow*> RowsAt(const std::vector<std::size_t>& at) const;

    LibraryParts parts_;
    LibraryView& view_;
    /** Takes the rows of `names` out of the list. */
    void RemoveNamed(const std::set<std::string>& names);

    std::vector<std::unique_ptr<LibraryRow>> all_;
    std::vector<LibraryRow*> shown_; ///< sorted by the order below
    std::string filter_;             ///< lower-cased
    LibraryColumn sortColumn_ = LibraryColumn::Name;
    bool ascending_ = true;
    std::string listingFailure_; ///< said once until it changes
    unsigned fill_ = 0;          ///< counts the listings, so a late background read knows its own
    const GameNames* names_; ///< the game folder's names as of the last listing
    std::shared_ptr<DetailsRead> reading_;
    std::string progress_; ///< the background read's, on the status line
    /** What the list says while it is empty: the folder and why (none yet, missing, unreadable). */
    std::string emptySentence_;
    /** What the last action did, on the status line after the counts until the next one. */
    std::string outcome_;
    std::string rulesText_; ///< the housekeeping rules that are on, for the status line
    std::shared_ptr<WorkProgress> deleting_; ///< a delete under way, if any
    std::string workText_;                   ///< long work's progress on the status line
    /** Rows by name (lower-cased where the file system ignores case); rebuilt when stale. */
    std::unordered_map<std::string, LibraryRow*> byName_;
    bool byNameStale_ = true;
    [[nodiscard]] std::string NameKey(const std::string& name) const;
};

/** The order an NTFS folder lists names in, and so F5/F6's: upper-cased ASCII, then bytes. */
bool ListedBefore(const std::string& a, const std::string& b);

} // namespace clipwarden
