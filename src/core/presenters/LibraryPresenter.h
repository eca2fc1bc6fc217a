#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/notify/Notifier.h"
#include "core/ports/Clock.h"
#include "core/ports/FileManager.h"
#include "core/ports/FileSystem.h"
#include "core/ports/Trash.h"
#include "core/presenters/LibraryView.h"
#include "core/replays/Housekeeper.h"
#include "core/replays/ReplayLibrary.h"
#include "core/replays/ReplaySelection.h"

namespace clipwarden {

/** Up to this many stored replays are read at once; more are read in the background. */
inline constexpr std::size_t kReadAtOnce = 20'000;

/** One stored replay as the Library window lists it. */
struct LibraryRow {
    std::string name; ///< as stored
    std::string label;
    FileStamp stamp;       ///< zero when the file cannot be read (a link, gone meanwhile)
    bool readable = false; ///< whether `stamp` was read
    bool kept = false;
    bool current = false;
    std::string search; ///< name and label lower-cased, what the filter looks in
};

enum class LibraryColumn { Name, Label, Recorded, Size, Kept };

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

    void OnFilter(const std::string& text);
    void OnSort(LibraryColumn column, bool ascending);
    [[nodiscard]] LibraryColumn sortColumn() const { return sortColumn_; }
    [[nodiscard]] bool sortAscending() const { return ascending_; }

    /** Enter or a double-click: the replay goes into replay.rep as with F5/F6. */
    void OnPlay(std::size_t at);
    void OnLabel(std::size_t at, const std::string& label);
    /** Keeps them all, or, when all are kept already, keeps none of them. */
    void OnToggleKept(const std::vector<std::size_t>& rows);
    /** To the trash, after a question when a kept one is among them. */
    void OnDelete(const std::vector<std::size_t>& rows);
    void OnShowInFolder(std::size_t at);
    void OnCopyTo(std::size_t at);
    /** Files dropped onto the list, copied in under new capture names. */
    void OnImport(const std::vector<std::string>& paths);

    /** A stored replay was added, changed or removed ("" for anything at all). */
    void OnChanged(const std::string& name);

private:
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
};

/** The order an NTFS folder lists names in, and so F5/F6's: upper-cased ASCII, then bytes. */
bool ListedBefore(const std::string& a, const std::string& b);

} // namespace clipwarden
