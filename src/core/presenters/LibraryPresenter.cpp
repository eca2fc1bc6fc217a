#include "core/presenters/LibraryPresenter.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "core/Text.h"

namespace clipwarden {

namespace {

/** From this many, a deletion says that it has begun: it takes a while. */
constexpr std::size_t kManyDeletions = 1000;
/** Refusals in a row after which the trash counts as refusing everything. */
constexpr std::size_t kMostRefusals = 3;
/** Past this many, rows are taken out (or put in) in one sweep instead of one by one. */
constexpr std::size_t kMostSingleRemovals = 100;
/** From this many files dropped, an import says that it has begun. */
constexpr std::size_t kManyImports = 100;
/** An import of more outcomes than this says them in one line. */
constexpr std::size_t kMostImportLines = 20;

constexpr const char* kEmptyLibrary =
    "No replays are stored in this folder yet. Each time you save a replay in GTA:VC, "
    "Clipwarden keeps a copy here under a dated name, and it shows up in this list. You can "
    "also drop .rep files here from a file manager.";

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

bool ListedBefore(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return static_cast<unsigned char>(UpperAscii(a[i])) <
                   static_cast<unsigned char>(UpperAscii(b[i]));
        }
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

LibraryPresenter::LibraryPresenter(LibraryParts parts, LibraryView& view)
    : parts_(parts), view_(view) {
    parts_.library.OnChanged([this](const std::string& name) { OnChanged(name); });
    parts_.library.cursor().OnMoved([this] { CursorMoved(); });
}

LibraryPresenter::~LibraryPresenter() {
    parts_.library.OnChanged({});
    parts_.library.cursor().OnMoved({});
}

void LibraryPresenter::Open() {
    Reload();
}

void LibraryPresenter::Reload() {
    all_.clear();
    shown_.clear();
    std::error_code error;
    const auto names = parts_.library.StoredReplays(error);
    if (error) {
        const std::string failure = "The replay folder " + parts_.library.folder() +
                                    " cannot be listed (" + parts_.files.Describe(error) +
                                    "); check that it is there and yours to read.";
        if (failure != listingFailure_) {
            listingFailure_ = failure;
            Log(failure);
        }
    } else {
        listingFailure_.clear();
    }
    ++fill_; // a fill still on its way belongs to the listing before
    // A huge folder is shown by name at once and read in the background: one stat a file
    // would hold the window for long.
    const bool aside = names.size() > kReadAtOnce;
    all_.reserve(names.size());
    for (const std::string& name : names) {
        auto row = std::make_unique<LibraryRow>();
        row->name = name;
        if (aside) {
            FillMarks(*row);
        } else {
            Fill(*row);
        }
        all_.push_back(std::move(row));
    }
    ShowSorted();
    if (aside) {
        ReadStampsAside();
    }
    const std::string labels = parts_.library.labels().whyUnavailable();
    const std::string folder = parts_.files.WhyNotWritable(parts_.library.folder());
    // The view shows these as they are: a name in them is escaped here.
    view_.EnableWriting(EscapeText(folder, false),
                        labels.empty() ? EscapeText(folder, false)
                                       : "Labels are unavailable: " + EscapeText(labels, false));
    ShowStatus();
}

void LibraryPresenter::Refilter() {
    shown_.clear();
    for (const auto& row : all_) {
        if (Matches(*row)) {
            shown_.push_back(row.get());
        }
    }
    std::stable_sort(shown_.begin(), shown_.end(),
                     [this](const LibraryRow* a, const LibraryRow* b) { return Before(a, b); });
}

void LibraryPresenter::ShowSorted() {
    Refilter();
    view_.RowsReset();
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        if (shown_[i]->current) {
            view_.ScrollTo(i);
            break;
        }
    }
}

void LibraryPresenter::ReadStampsAside() {
    struct Read {
        std::vector<std::string> names;
        std::vector<std::string> paths;
        std::vector<std::optional<FileStamp>> stamps;
        std::vector<bool> gone;
    };
    auto read = std::make_shared<Read>();
    for (const auto& row : all_) {
        read->names.push_back(row->name);
        read->paths.push_back(parts_.library.PathOf(row->name));
    }
    FileSystem& files = parts_.files;
    const unsigned fill = fill_;
    view_.RunAside(
        [read, &files] {
            read->stamps.resize(read->paths.size());
            read->gone.resize(read->paths.size());
            for (std::size_t i = 0; i < read->paths.size(); ++i) {
                std::error_code error;
                read->stamps[i] = files.Stamp(read->paths[i], error);
                read->gone[i] = error == std::errc::no_such_file_or_directory;
            }
        },
        [this, read, fill] {
            if (fill != fill_) {
                return; // another folder or listing since
            }
            std::map<std::string, std::size_t> at;
            for (std::size_t i = 0; i < read->names.size(); ++i) {
                at.emplace(read->names[i], i);
            }
            std::erase_if(all_, [&](const auto& row) {
                const auto found = at.find(row->name);
                if (found == at.end() || row->readable) {
                    return false; // new meanwhile, or read anew by a change: it is current
                }
                row->stamp = read->stamps[found->second].value_or(FileStamp{});
                row->readable = read->stamps[found->second].has_value();
                FillMarks(*row);
                return static_cast<bool>(read->gone[found->second]);
            });
            ShowSorted();
            ShowStatus();
        });
}

bool LibraryPresenter::Fill(LibraryRow& row) {
    std::error_code error;
    const auto stamp = parts_.files.Stamp(parts_.library.PathOf(row.name), error);
    row.readable = stamp.has_value();
    row.stamp = stamp.value_or(FileStamp{});
    FillMarks(row);
    // A link or another odd entry is listed, as F5/F6 see it, only without a size or time.
    return stamp || error != std::errc::no_such_file_or_directory;
}

void LibraryPresenter::FillMarks(LibraryRow& row) const {
    const auto mark =
        row.readable ? parts_.library.labels().Find(row.name, row.stamp.size) : std::nullopt;
    row.label = mark ? mark->label : std::string();
    row.kept = mark && mark->kept;
    row.current = row.readable ? parts_.library.IsCurrentReplay(row.name, row.stamp)
                               : ToLowerAscii(row.name) ==
                                     ToLowerAscii(parts_.library.cursor().currentReplay());
    row.search = ToLowerAscii(row.name + '\n' + row.label);
}

std::string LibraryPresenter::CellText(std::size_t at, LibraryColumn column) const {
    const LibraryRow& row = Row(at);
    switch (column) {
    case LibraryColumn::Name:
        return row.name;
    case LibraryColumn::Label:
        return row.label;
    case LibraryColumn::Recorded:
        return row.readable ? parts_.clock.DateTimeText(row.stamp.modified) : std::string();
    case LibraryColumn::Size:
        return row.readable ? SizeText(row.stamp.size) : std::string();
    case LibraryColumn::Kept:
        return row.kept ? "Kept" : "";
    }
    return {};
}

bool LibraryPresenter::Matches(const LibraryRow& row) const {
    return filter_.empty() || row.search.find(filter_) != std::string::npos;
}

bool LibraryPresenter::Before(const LibraryRow* a, const LibraryRow* b) const {
    // Ties go by name, so that every order is one order.
    const auto by = [&](const auto& x, const auto& y) {
        if (x != y) {
            return ascending_ ? x < y : y < x;
        }
        return ListedBefore(a->name, b->name);
    };
    switch (sortColumn_) {
    case LibraryColumn::Name:
        return ascending_ ? ListedBefore(a->name, b->name) : ListedBefore(b->name, a->name);
    case LibraryColumn::Label:
        return by(a->search.substr(a->search.find('\n') + 1),
                  b->search.substr(b->search.find('\n') + 1));
    case LibraryColumn::Recorded:
        return by(a->stamp.modified, b->stamp.modified);
    case LibraryColumn::Size:
        return by(a->stamp.size, b->stamp.size);
    case LibraryColumn::Kept:
        return by(a->kept, b->kept);
    }
    return false;
}

void LibraryPresenter::OnFilter(const std::string& text) {
    std::string filter = ToLowerAscii(text);
    if (filter == filter_) {
        return;
    }
    filter_ = std::move(filter);
    Refilter();
    view_.RowsReset();
    ShowStatus();
}

void LibraryPresenter::OnSort(LibraryColumn column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    std::stable_sort(shown_.begin(), shown_.end(),
                     [this](const LibraryRow* a, const LibraryRow* b) { return Before(a, b); });
    view_.RowsReset();
}

std::size_t LibraryPresenter::PositionOf(const LibraryRow* row) const {
    const auto found = std::find(shown_.begin(), shown_.end(), row);
    return static_cast<std::size_t>(found - shown_.begin());
}

LibraryRow* LibraryPresenter::Find(const std::string& name) {
    const bool ignoreCase = parts_.files.NamesIgnoreCase();
    for (const auto& row : all_) {
        if (ignoreCase ? ToLowerAscii(row->name) == ToLowerAscii(name) : row->name == name) {
            return row.get();
        }
    }
    return nullptr;
}

void LibraryPresenter::Place(LibraryRow* row) {
    if (!Matches(*row)) {
        return;
    }
    const auto at =
        std::upper_bound(shown_.begin(), shown_.end(), row,
                         [this](const LibraryRow* a, const LibraryRow* b) { return Before(a, b); });
    const auto index = static_cast<std::size_t>(at - shown_.begin());
    shown_.insert(at, row);
    view_.RowInserted(index);
}

void LibraryPresenter::Refresh(LibraryRow* row) {
    const std::size_t at = PositionOf(row);
    if (at == shown_.size()) {
        Place(row); // the filter may let it show now
        return;
    }
    const bool inOrder = (at == 0 || !Before(row, shown_[at - 1])) &&
                         (at + 1 == shown_.size() || !Before(shown_[at + 1], row));
    if (Matches(*row) && inOrder) {
        view_.RowChanged(at);
        return;
    }
    shown_.erase(shown_.begin() + static_cast<std::ptrdiff_t>(at));
    view_.RowRemoved(at);
    Place(row);
}

void LibraryPresenter::Remove(LibraryRow* row) {
    const std::size_t at = PositionOf(row);
    if (at < shown_.size()) {
        shown_.erase(shown_.begin() + static_cast<std::ptrdiff_t>(at));
        view_.RowRemoved(at);
    }
    std::erase_if(all_, [row](const auto& held) { return held.get() == row; });
}

void LibraryPresenter::OnChanged(const std::string& name) {
    if (name.empty()) {
        Reload();
        return;
    }
    LibraryRow* row = Find(name);
    if (row == nullptr) {
        auto created = std::make_unique<LibraryRow>();
        created->name = name;
        if (ToLowerAscii(name) == kReplaySlot || !Fill(*created)) {
            return;
        }
        row = created.get();
        all_.push_back(std::move(created));
        Place(row);
    } else if (Fill(*row)) {
        Refresh(row);
    } else {
        Remove(row);
    }
    ShowStatus();
}

void LibraryPresenter::CursorMoved() {
    for (const auto& row : all_) {
        const bool was = row->current;
        FillMarks(*row);
        if (row->current != was) {
            Refresh(row.get());
        }
    }
    const std::string& current = parts_.library.cursor().currentReplay();
    if (LibraryRow* row = Find(current); row != nullptr && PositionOf(row) < shown_.size()) {
        view_.ScrollTo(PositionOf(row));
    }
}

void LibraryPresenter::ShowStatus() {
    std::uint64_t bytes = 0;
    for (const auto& row : all_) {
        bytes += row->stamp.size;
    }
    const std::size_t count = all_.size();
    std::string status =
        std::to_string(count) + (count == 1 ? " replay, " : " replays, ") + SizeText(bytes);
    if (shown_.size() != count) {
        status = std::to_string(shown_.size()) + " shown of " + status;
    }
    view_.ShowStatus(status, count == 0 ? kEmptyLibrary : "");
}

void LibraryPresenter::Log(const std::string& body) {
    parts_.notifier.PostNotification(LogText(parts_.clock.TimeOfDayText(), body), {});
}

std::vector<LibraryRow*> LibraryPresenter::RowsAt(const std::vector<std::size_t>& at) const {
    std::vector<LibraryRow*> rows;
    for (const std::size_t i : at) {
        if (i < shown_.size() && std::find(rows.begin(), rows.end(), shown_[i]) == rows.end()) {
            rows.push_back(shown_[i]);
        }
    }
    return rows;
}

void LibraryPresenter::OnPlay(std::size_t at) {
    if (at >= shown_.size()) {
        return;
    }
    const std::string name = shown_[at]->name;
    parts_.selection.SelectReplay(name);
    OnChanged(name); // gone meanwhile: the line above said so, and the row goes
}

void LibraryPresenter::OnLabel(std::size_t at, const std::string& label) {
    if (at >= shown_.size()) {
        return;
    }
    LibraryRow* row = shown_[at];
    if (label == row->label) {
        return;
    }
    std::string why;
    if (!row->readable ||
        !parts_.library.labels().Set(row->name, row->stamp.size, {label, row->kept}, why)) {
        Log(row->name + ": the label was not saved (" +
            (row->readable ? why : std::string("the file cannot be read")) + ").");
        view_.RowChanged(at);
        return;
    }
    FillMarks(*row);
    Refresh(row);
}

void LibraryPresenter::OnToggleKept(const std::vector<std::size_t>& at) {
    const auto rows = RowsAt(at);
    const bool keep = std::any_of(rows.begin(), rows.end(), [](auto* row) { return !row->kept; });
    for (LibraryRow* row : rows) {
        std::string why;
        if (row->kept == keep) {
            continue;
        }
        if (!row->readable ||
            !parts_.library.labels().Set(row->name, row->stamp.size, {row->label, keep}, why)) {
            Log(row->name + (keep ? ": could not be marked as kept (" : ": is still kept (") +
                (row->readable ? why : std::string("the file cannot be read")) + ").");
            continue;
        }
        FillMarks(*row);
        Refresh(row);
    }
}

void LibraryPresenter::OnDelete(const std::vector<std::size_t>& at) {
    auto rows = RowsAt(at);
    // The replay the keys and the slot stand on stays: the game may be showing it.
    std::erase_if(rows, [this](LibraryRow* row) {
        if (!row->current) {
            return false;
        }
        Log(row->name +
            " is the current replay, so it was not moved to the trash; select another one "
            "first.");
        return true;
    });
    if (rows.empty()) {
        return;
    }
    const auto kept = std::count_if(rows.begin(), rows.end(), [](auto* row) { return row->kept; });
    if (kept > 0) {
        const std::string question =
            kept == 1 && rows.size() == 1
                ? "The replay " + rows.front()->name +
                      " is kept. Move it to the trash all the same?"
                : std::to_string(kept) + " of the " + std::to_string(rows.size()) +
                      " replays are kept. Move them all to the trash all the same?";
        if (!view_.Confirm(EscapeText(question, false))) {
            return;
        }
    }
    // Thousands of moves take seconds: they run away from the GUI thread.
    struct Deletion {
        std::vector<std::string> names;
        std::vector<std::string> paths;
        std::vector<std::uint64_t> sizes;
        std::vector<std::string> why; ///< "" once moved
        std::vector<bool> tried;
        std::vector<bool> gone; ///< not moved, and not there either
    };
    auto deletion = std::make_shared<Deletion>();
    for (const LibraryRow* row : rows) {
        deletion->names.push_back(row->name);
        deletion->paths.push_back(parts_.library.PathOf(row->name));
        deletion->sizes.push_back(row->stamp.size);
    }
    const std::size_t count = rows.size();
    deletion->why.resize(count);
    deletion->tried.resize(count);
    deletion->gone.resize(count);
    if (count >= kManyDeletions) {
        Log("Moving " + std::to_string(count) + " replays to the trash…");
    }
    FileSystem& files = parts_.files;
    Trash& trash = parts_.trash;
    view_.RunAside(
        [deletion, &files, &trash] {
            std::size_t refusals = 0;
            for (std::size_t i = 0; i < deletion->paths.size() && refusals < kMostRefusals; ++i) {
                deletion->tried[i] = true;
                if (!trash.MoveToTrash(deletion->paths[i], deletion->why[i])) {
                    deletion->gone[i] = !files.Exists(deletion->paths[i]);
                    ++refusals; // a trash that refuses three in a row refuses them all
                } else {
                    refusals = 0;
                }
            }
        },
        [this, deletion] {
            std::size_t moved = 0;
            std::uint64_t bytes = 0;
            std::set<std::string> removed;
            std::vector<std::string> movedNames;
            for (std::size_t i = 0; i < deletion->names.size(); ++i) {
                const std::string& name = deletion->names[i];
                if (!deletion->tried[i]) {
                    continue;
                }
                if (!deletion->why[i].empty()) {
                    Log(name + " was not moved to the trash (" + deletion->why[i] +
                        "); it stays where it is.");
                    if (deletion->gone[i]) {
                        removed.insert(name);
                    }
                    continue;
                }
                ++moved;
                bytes += deletion->sizes[i];
                removed.insert(name);
                movedNames.push_back(name);
            }
            if (std::string why; !parts_.library.labels().Forget(movedNames, why)) {
                Log("The labels of the replays moved to the trash could not be dropped (" + why +
                    ").");
            }
            if (const std::string line = parts_.library.ForgetDetails(movedNames); !line.empty()) {
                Log(line);
            }
            RemoveNamed(removed);
            if (moved == 1) {
                Log("Moved 1 replay to the trash (" + SizeText(bytes) + ").");
            } else if (moved > 1) {
                Log("Moved " + std::to_string(moved) + " replays to the trash (" + SizeText(bytes) +
                    ").");
            }
            ShowStatus();
        });
}

void LibraryPresenter::RemoveNamed(const std::set<std::string>& names) {
    if (names.size() <= kMostSingleRemovals) {
        for (const std::string& name : names) {
            if (LibraryRow* row = Find(name)) {
                Remove(row);
            }
        }
        return;
    }
    // Row by row, each removal would shift the rows after it: thousands go in one sweep.
    const auto named = [&names](const LibraryRow* row) { return names.contains(row->name); };
    std::erase_if(shown_, named);
    std::erase_if(all_, [&named](const auto& held) { return named(held.get()); });
    ShowSorted();
}

void LibraryPresenter::OnShowInFolder(std::size_t at) {
    if (at >= shown_.size()) {
        return;
    }
    const std::string name = shown_[at]->name;
    parts_.fileManager.ShowInFolder(
        parts_.library.PathOf(name), [this, name](const std::string& failure) {
            if (!failure.empty()) {
                Log("The folder of " + name + " cannot be shown: " + failure + ".");
            }
        });
}

void LibraryPresenter::OnCopyTo(std::size_t at) {
    if (at >= shown_.size()) {
        return;
    }
    const std::string name = shown_[at]->name;
    const std::string destination = view_.AskCopyDestination(name);
    if (destination.empty()) {
        return;
    }
    std::error_code error;
    const std::string temporary =
        parts_.files.CopyToTemporary(parts_.library.PathOf(name), destination, error);
    if (temporary.empty() || !parts_.files.CommitTemporary(temporary, destination, true, error)) {
        Log(name + " was not copied to " + destination + " (" + parts_.files.Describe(error) +
            ").");
        OnChanged(name);
        return;
    }
    Log(name + " was copied to " + destination + ".");
}

void LibraryPresenter::OnImport(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    const ReplayName next = parts_.library.NextReplayName();
    if (!next.failure.empty()) {
        Log("Nothing was imported: " + next.failure + ".");
        return;
    }
    auto import = std::make_shared<Import>();
    import->paths = paths;
    import->folder = parts_.library.folder();
    import->next = next;
    import->names.resize(paths.size());
    import->refusals.resize(paths.size());
    if (paths.size() >= kManyImports) {
        Log("Importing " + std::to_string(paths.size()) + " files…");
    }
    // Thousands of files dropped onto thousands of replays: one listing, one look at each
    // stored replay, and the copies, all away from the GUI thread.
    FileSystem& files = parts_.files;
    view_.RunAside([import, &files] { ImportAll(*import, files); },
                   [this, import] { FinishImport(*import); });
}

void LibraryPresenter::ImportAll(Import& import, FileSystem& files) {
    const std::string here = files.RealPath(import.folder);
    // The stored replays by size: only those of a dropped file's size are read to compare.
    std::error_code error;
    std::multimap<std::uint64_t, std::string> stored;
    for (const std::string& name : files.ListFiles(files.Join(import.folder, "*.rep"), error)) {
        const std::string path = files.Join(import.folder, name);
        if (ToLowerAscii(name) == kReplaySlot || name.front() == '.') {
            continue;
        }
        if (const auto stamp = files.Stamp(path, error)) {
            stored.emplace(stamp->size, name);
        }
    }
    int number = import.next.number;
    for (std::size_t i = 0; i < import.paths.size(); ++i) {
        const std::string& path = import.paths[i];
        std::string& refusal = import.refusals[i];
        // Rows dragged out of the list and dropped back: they are in the library already.
        if (!here.empty() && files.RealPath(FolderOf(path)) == here) {
            continue;
        }
        const std::string name = BaseName(path);
        if (name.size() < 4 || ToLowerAscii(name.substr(name.size() - 4)) != ".rep") {
            refusal = "it is not a .rep file";
            continue;
        }
        const auto stamp = files.Stamp(path, error);
        if (!stamp) {
            refusal = files.Describe(error);
            continue;
        }
        if (stamp->size == 0) {
            refusal = "it is empty";
            continue;
        }
        if (refusal = WhyTooLarge(stamp->size); !refusal.empty()) {
            continue;
        }
        const auto [first, last] = stored.equal_range(stamp->size);
        for (auto same = first; same != last && refusal.empty(); ++same) {
            if (files.SameContents(path, files.Join(import.folder, same->second), error)) {
                refusal = "it holds the same recording as " + same->second;
            }
        }
        if (!refusal.empty()) {
            continue;
        }
        // The next free name; one taken meanwhile (a capture) is passed over, never replaced.
        for (;; ++number) {
            if (number > kHighestReplayNumber) {
                refusal = "Overflow: no free capture name is left for today";
                break;
            }
            const std::string candidate = ReplayLibrary::CaptureName(import.next.ddmm, number);
            const std::string destination = files.Join(import.folder, candidate);
            if (files.Exists(destination)) {
                continue;
            }
            const std::string temporary = files.CopyToTemporary(path, destination, error);
            if (temporary.empty()) {
                refusal = files.Describe(error);
                break;
            }
            if (files.CommitTemporary(temporary, destination, false, error)) {
                import.names[i] = candidate;
                stored.emplace(stamp->size, candidate);
                ++number;
                break;
            }
            if (error != std::errc::file_exists) {
                refusal = files.Describe(error);
                break;
            }
        }
    }
}

void LibraryPresenter::FinishImport(const Import& import) {
    std::vector<std::string> imported;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < import.paths.size(); ++i) {
        const std::string shown = BaseName(import.paths[i]);
        if (!import.names[i].empty()) {
            imported.push_back(import.names[i]);
            lines.push_back(shown + " was imported as " + import.names[i] + ".");
        } else if (!import.refusals[i].empty()) {
            lines.push_back(shown + " was not imported: " + import.refusals[i] + ".");
        }
    }
    // A name that comes back never inherits the label of the replay it once held.
    if (std::string why; !parts_.library.labels().Forget(imported, why)) {
        Log("The labels of earlier replays of the imported names could not be dropped (" + why +
            ").");
    }
    if (lines.size() <= kMostImportLines) {
        for (const std::string& line : lines) {
            Log(line);
        }
    } else {
        const std::size_t refused = lines.size() - imported.size();
        Log("Imported " + std::to_string(imported.size()) + " of " +
            std::to_string(import.paths.size()) + " files" +
            (refused == 0 ? std::string(".")
                          : "; " + std::to_string(refused) + (refused == 1 ? " was" : " were") +
                                " not (a file that is no replay, empty, or held already)."));
    }
    if (imported.size() > kMostSingleRemovals) {
        OnChanged({}); // listed anew in one go
    } else {
        for (const std::string& name : imported) {
            OnChanged(name);
        }
    }
    if (!imported.empty()) {
        ShowStatus();
    }
}

} // namespace clipwarden
