#include "core/presenters/LibraryPresenter.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "core/Text.h"
#include "core/gamefiles/ReplayReport.h"
#include "core/gamefiles/ReplayTexts.h"

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

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/** The label as the filter holds it, lower-cased: between the name's line and the place's. */
std::string_view LabelKey(const LibraryRow& row) {
    const std::string_view search = row.search;
    const auto from = search.find('\n') + 1;
    return search.substr(from, search.find('\n', from) - from);
}

/** "(412.3, -1203.0, 10.2)" */
std::string PositionText(const WorldPoint& point) {
    char text[96];
    std::snprintf(text, sizeof text, "(%.1f, %.1f, %.1f)", static_cast<double>(point.x),
                  static_cast<double>(point.y), static_cast<double>(point.z));
    return text;
}

/** "07:38 Extra sunny, Ocean Beach (412.3, -1203.0, 10.2)": the time, place and position of
 *  one end of a replay, as much of it as is known. */
std::string EndText(const std::optional<std::array<int, 2>>& clock,
                    const std::optional<int>& weather, const std::optional<WorldPoint>& point,
                    int interior, const GameNames& names) {
    std::vector<std::string> parts;
    if (std::string time = GameTimeText(clock, weather); !time.empty()) {
        parts.push_back(std::move(time));
    }
    if (point) {
        parts.push_back(names.PlaceAt(*point, interior) + " " + PositionText(*point));
    }
    return parts.empty() ? std::string("unknown") : Joined(parts, ", ");
}

const GameNames& StandardNames() {
    static const GameNames names;
    return names;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

/** Copies a dropped file into a temporary beside `destination`, as CopyToTemporary does; one
 *  of a replay's size is read once, and its reading comes along so that it is indexed without
 *  a second read. */
std::string CopyReading(FileSystem& files, const std::string& source, const FileStamp& stamp,
                        const std::string& destination, std::optional<ReplayReading>& reading,
                        std::error_code& error) {
    if (stamp.size > kMostReplayBytes) {
        return files.CopyToTemporary(source, destination, error);
    }
    const auto bytes = files.ReadSmallFile(source, kMostReplayBytes, error);
    if (!bytes) {
        return {};
    }
    std::string temporary = files.WriteTemporary(destination, *bytes, error);
    if (temporary.empty()) {
        return {};
    }
    if (!files.SetModified(temporary, stamp.modified, error)) {
        files.DiscardTemporary(temporary);
        return {};
    }
    reading =
        ReadReplay(std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    return temporary;
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
    : parts_(parts), view_(view), names_(&StandardNames()) {
    parts_.library.OnChanged([this](const std::string& name) { OnChanged(name); });
    parts_.library.cursor().OnMoved([this] { CursorMoved(); });
}

LibraryPresenter::~LibraryPresenter() {
    StopReading();
    parts_.library.OnChanged({});
    parts_.library.cursor().OnMoved({});
}

void LibraryPresenter::Open() {
    Reload();
}

void LibraryPresenter::OnProgressTick() {
    std::string text;
    if (deleting_ != nullptr) {
        text = MovingText(*deleting_, parts_.trash.Name());
    } else if (const auto pass = parts_.housekeeper.passProgress()) {
        text = "Housekeeping: " + MovingText(*pass, parts_.trash.Name());
    }
    if (text != workText_) {
        view_.ShowCancel(!text.empty());
        workText_ = std::move(text);
        ShowStatus();
    }
}

void LibraryPresenter::OnCancel() {
    if (deleting_ != nullptr) {
        deleting_->cancel = true;
    }
    parts_.housekeeper.CancelPass();
}

void LibraryPresenter::OnRulesChanged() {
    rulesText_ = RulesText(parts_.housekeeper.ReadRules());
    ShowStatus();
}

void LibraryPresenter::Reload() {
    StopReading();
    rulesText_ = RulesText(parts_.housekeeper.ReadRules());
    names_ = parts_.names ? &parts_.names() : &StandardNames();
    all_.clear();
    shown_.clear();
    byNameStale_ = true;
    std::error_code error;
    const auto names = parts_.library.StoredReplays(error);
    const std::string shown = EscapeText(parts_.library.folder(), false);
    if (!error) {
        parts_.library.details().KeepOnly(names); // files gone behind its back
        emptySentence_ =
            "No replays are stored in " + shown +
            " yet. Each time you save a replay in GTA:VC, Clipwarden keeps a copy here under a "
            "dated name, and it shows up in this list. You can also drop .rep files here from a "
            "file manager.";
    } else if (error == std::errc::no_such_file_or_directory) {
        emptySentence_ = "The replay folder " + shown +
                         " does not exist yet. The game makes it when it first saves a replay; "
                         "if the game keeps its replays elsewhere, choose that folder.";
    } else {
        emptySentence_ = "The replay folder " + shown + " cannot be read (" +
                         parts_.files.Describe(error) +
                         "). Check that it is yours to read, or choose another folder.";
    }
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
    } else {
        ReadMissingDetails();
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
                FillDetails(*row);
                FillMarks(*row);
                return static_cast<bool>(read->gone[found->second]);
            });
            byNameStale_ = true;
            ShowSorted();
            ShowStatus();
            ReadMissingDetails();
        });
}

bool LibraryPresenter::Fill(LibraryRow& row) {
    std::error_code error;
    const auto stamp = parts_.files.Stamp(parts_.library.PathOf(row.name), error);
    row.readable = stamp.has_value();
    row.stamp = stamp.value_or(FileStamp{});
    FillDetails(row);
    FillMarks(row);
    // A link or another odd entry is listed, as F5/F6 see it, only without a size or time.
    return stamp || error != std::errc::no_such_file_or_directory;
}

void LibraryPresenter::FillMarks(LibraryRow& row) const {
    const auto mark =
        row.readable ? parts_.library.labels().Find(row.name, row.stamp.size) : std::nullopt;
    row.label = mark ? mark->label : std::string();
    row.kept = mark && mark->kept;
    row.current = EqualIgnoringAsciiCase(row.name, parts_.library.cursor().currentReplay());
    row.inSlot =
        !row.current && row.readable && parts_.library.IsCurrentReplay(row.name, row.stamp);
    row.search = ToLowerAscii(row.name + '\n' + row.label + '\n' + row.details.place + '\n' +
                              row.details.vehicles);
}

void LibraryPresenter::FillDetails(LibraryRow& row) {
    row.details = RowDetails();
    const IndexedReplay* indexed =
        row.readable ? parts_.library.details().index().Find(row.name, row.stamp) : nullptr;
    if (indexed == nullptr) {
        return; // not read yet: nothing is shown rather than something wrong
    }
    const ReplayReading& reading = indexed->reading;
    RowDetails& details = row.details;
    details.read = true;
    details.kind = reading.kind;
    details.why = reading.why;
    if (reading.kind != ReplayReading::Kind::Replay) {
        return;
    }
    const ReplayDetails& figures = reading.details;
    const GameNames& names = *names_;
    details.seconds = figures.seconds.value_or(-1);
    details.length = LengthText(figures.seconds);
    if (figures.clockStart) {
        details.clockMinutes = (*figures.clockStart)[0] * 60 + (*figures.clockStart)[1];
    }
    details.place = PlaceText(figures, names);
    details.gameTime = GameTimeText(figures.clockStart, figures.weatherStart);
    details.vehicles = Joined(VehiclesPlayerFirst(figures, names), ", ");
}

void LibraryPresenter::ReadMissingDetails() {
    if (reading_ != nullptr) {
        return; // the read on its way looks again for what is missing when it ends
    }
    std::vector<DetailsJob> stored;
    for (const auto& row : all_) {
        if (row->readable && !row->details.read) {
            stored.push_back({row->name, row->stamp});
        }
    }
    auto jobs = MissingDetails(std::move(stored), parts_.library.details().index());
    if (jobs.empty()) {
        return;
    }
    auto read = std::make_shared<DetailsRead>();
    read->folder = parts_.library.folder();
    read->jobs = std::move(jobs);
    reading_ = read;
    progress_ = ReadingProgressText(0, read->jobs.size());
    FileSystem& files = parts_.files;
    view_.RunInBackground([this, read, &files](const LibraryView::PostStep& post) {
        ReadDetails(files, read->folder, read->jobs, read->stop,
                    [&](const DetailsJob& job, ReplayReading reading, std::size_t done) {
                        bool postNow = false;
                        {
                            const std::lock_guard lock(read->mutex);
                            read->found.emplace_back(job, std::move(reading));
                            read->done = done;
                            postNow = !read->stepPosted;
                            read->stepPosted = true;
                        }
                        // One step at a time takes in all that was found meanwhile.
                        if (postNow) {
                            post([this, read] {
                                if (!read->stop.load()) { // else this presenter may be gone
                                    TakeDetails(*read);
                                }
                            });
                        }
                    });
    });
}

void LibraryPresenter::TakeDetails(DetailsRead& read) {
    std::vector<std::pair<DetailsJob, ReplayReading>> found;
    std::size_t done = 0;
    {
        const std::lock_guard lock(read.mutex);
        found.swap(read.found);
        done = read.done;
        read.stepPosted = false;
    }
    DetailsStore& store = parts_.library.details();
    for (auto& [job, reading] : found) {
        store.Put(job.name, job.stamp, std::move(reading));
        if (LibraryRow* row = Find(job.name);
            row != nullptr && row->readable && row->stamp == job.stamp) {
            FillDetails(*row);
            FillMarks(*row);
            Refresh(row);
        }
    }
    if (done < read.jobs.size()) {
        progress_ = ReadingProgressText(done, read.jobs.size());
        ShowStatus();
        return;
    }
    reading_.reset();
    progress_.clear();
    if (const std::string line = store.SaveChanges(); !line.empty()) {
        Log(line);
    }
    ShowStatus();
    ReadMissingDetails(); // files that changed while it read
}

void LibraryPresenter::StopReading() {
    if (reading_ == nullptr) {
        return;
    }
    reading_->stop = true;
    // What it found and was not taken in yet is dropped: read again next time.
    reading_.reset();
    progress_.clear();
    if (const std::string line = parts_.library.details().SaveChanges(); !line.empty()) {
        Log(line);
    }
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
    case LibraryColumn::Length:
        return row.details.length;
    case LibraryColumn::Place:
        if (CellIsProblem(at, column)) {
            return row.details.kind == ReplayReading::Kind::Damaged ? "damaged" : "not a replay";
        }
        return row.details.place;
    case LibraryColumn::GameTime:
        return row.details.gameTime;
    case LibraryColumn::Vehicles:
        return row.details.vehicles;
    }
    return {};
}

bool LibraryPresenter::CellIsProblem(std::size_t at, LibraryColumn column) const {
    const RowDetails& details = Row(at).details;
    return column == LibraryColumn::Place && details.read &&
           details.kind != ReplayReading::Kind::Replay;
}

ReplayFacts LibraryPresenter::FactsOf(std::size_t at) const {
    const LibraryRow& row = Row(at);
    ReplayFacts facts;
    facts.name = row.name;
    const ReplayReading reading = InspectReplayFile(parts_.files, parts_.library.PathOf(row.name));
    auto& lines = facts.facts;
    if (reading.kind != ReplayReading::Kind::Replay) {
        lines.emplace_back("File", (reading.kind == ReplayReading::Kind::Damaged
                                        ? "damaged, the game would hang on it: "
                                        : "not a replay: ") +
                                       reading.why);
        return facts;
    }
    facts.replay = true;
    const ReplayDetails& d = reading.details;
    const GameNames& names = *names_;
    const std::string length = LengthText(d.seconds);
    lines.emplace_back("Length", (length.empty() ? std::string("unknown") : length) + " (" +
                                     Grouped(static_cast<std::size_t>(d.frames)) + " frames)");
    lines.emplace_back("Start",
                       EndText(d.clockStart, d.weatherStart, d.start, d.interiorStart, names));
    lines.emplace_back("End", EndText(d.clockEnd, d.weatherEnd, d.end, d.interior, names));
    lines.emplace_back("Travelled", MetresText(d.metres));
    const auto driven = VehicleNames(d.playerVehicleModels, names);
    lines.emplace_back("Player",
                       (driven.empty() ? std::string("on foot") : "in " + Joined(driven, ", ")) +
                           (d.rcVehicle ? "; an RC vehicle was driven" : ""));
    const auto all = VehicleNames(d.vehicleModels, names);
    lines.emplace_back("Vehicles", all.empty() ? std::string("none") : Joined(all, ", "));
    lines.emplace_back("Peds at once", std::to_string(d.pedsAtOnce));
    const auto inside = [](int interior) {
        return interior == 0 ? std::string("outdoors") : GameNames::InteriorName(interior);
    };
    lines.emplace_back("Interior", d.interiorStart == d.interior
                                       ? inside(d.interior)
                                       : inside(d.interiorStart) + " to " + inside(d.interior));
    facts.sketch = MakeCitySketch(d, names);
    return facts;
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
        return by(LabelKey(*a), LabelKey(*b));
    case LibraryColumn::Recorded:
        return by(a->stamp.modified, b->stamp.modified);
    case LibraryColumn::Size:
        return by(a->stamp.size, b->stamp.size);
    case LibraryColumn::Kept:
        return by(a->kept, b->kept);
    case LibraryColumn::Length:
        return by(a->details.seconds, b->details.seconds);
    case LibraryColumn::Place:
        return by(a->details.place, b->details.place);
    case LibraryColumn::GameTime:
        return by(a->details.clockMinutes, b->details.clockMinutes);
    case LibraryColumn::Vehicles:
        return by(a->details.vehicles, b->details.vehicles);
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

std::string LibraryPresenter::NameKey(const std::string& name) const {
    return parts_.files.NamesIgnoreCase() ? ToLowerAscii(name) : name;
}

LibraryRow* LibraryPresenter::Find(const std::string& name) {
    if (byNameStale_) {
        byName_.clear();
        byName_.reserve(all_.size());
        for (const auto& row : all_) {
            byName_.emplace(NameKey(row->name), row.get());
        }
        byNameStale_ = false;
    }
    const auto found = byName_.find(NameKey(name));
    return found == byName_.end() ? nullptr : found->second;
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
    if (!byNameStale_) {
        byName_.erase(NameKey(row->name));
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
        if (!byNameStale_) {
            byName_.emplace(NameKey(row->name), row);
        }
        Place(row);
    } else if (Fill(*row)) {
        Refresh(row);
    } else {
        Remove(row);
    }
    ShowStatus();
    ReadMissingDetails(); // a file changed behind the index's back is read again
}

void LibraryPresenter::CursorMoved() {
    for (const auto& row : all_) {
        const bool was = row->current;
        const bool wasInSlot = row->inSlot;
        FillMarks(*row);
        if (row->current != was || row->inSlot != wasInSlot) {
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
    for (const std::string* part : {&rulesText_, &workText_, &progress_, &outcome_}) {
        if (!part->empty()) {
            status += " \xE2\x80\x94 " + *part;
        }
    }
    view_.ShowStatus(status, count == 0 ? emptySentence_ : "");
}

void LibraryPresenter::Log(const std::string& body) {
    parts_.notifier.PostNotification(LogText(parts_.clock.TimeOfDayText(), body), {});
    // Said where the player looks too: the Library's status line.
    outcome_ = EscapeText(body, false);
    ShowStatus();
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

void LibraryPresenter::OnLoadIntoGame(std::size_t at) {
    if (at >= shown_.size()) {
        return;
    }
    const std::string name = shown_[at]->name;
    parts_.selection.SelectReplay(name);
    const bool loaded = EqualIgnoringAsciiCase(parts_.library.cursor().currentReplay(), name);
    outcome_ =
        EscapeText(name, false) + (loaded ? " is in replay.rep: in the game, choose Play replay."
                                          : " was not loaded; the log says why.");
    OnChanged(name); // gone meanwhile: the line above said so, and the row goes; the status
                     // line shows the outcome
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
        if (!row->current && !row->inSlot) {
            return false;
        }
        Log(row->name + (row->current ? " is the current replay" : " is in replay.rep") +
            ", so it was not moved to " + parts_.trash.Name() + "; select another one first.");
        return true;
    });
    if (rows.empty()) {
        return;
    }
    const auto kept = std::count_if(rows.begin(), rows.end(), [](auto* row) { return row->kept; });
    if (kept > 0) {
        const std::string question =
            kept == 1 && rows.size() == 1
                ? "The replay " + rows.front()->name + " is kept. Move it to " +
                      parts_.trash.Name() + " all the same?"
                : std::to_string(kept) + " of the " + std::to_string(rows.size()) +
                      " replays are kept. Move them all to " + parts_.trash.Name() +
                      " all the same?";
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
        std::shared_ptr<WorkProgress> progress = std::make_shared<WorkProgress>();
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
        Log("Moving " + std::to_string(count) + " replays to " + parts_.trash.Name() + "…");
    }
    FileSystem& files = parts_.files;
    Trash& trash = parts_.trash;
    deletion->progress->total = count;
    deleting_ = deletion->progress;
    view_.RunAside(
        [deletion, &files, &trash] {
            std::size_t refusals = 0;
            for (std::size_t i = 0; i < deletion->paths.size() && refusals < kMostRefusals; ++i) {
                if (deletion->progress->cancel.load()) {
                    break; // asked to stop: the rest stays where it is
                }
                deletion->progress->done = i + 1;
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
            if (deleting_ == deletion->progress) {
                deleting_.reset();
            }
            const std::string trashName = parts_.trash.Name();
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
                    Log(name + " was not moved to " + trashName + " (" + deletion->why[i] +
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
                Log("The labels of the replays moved to " + trashName + " could not be dropped (" +
                    why + ").");
            }
            if (const std::string line = parts_.library.ForgetDetails(movedNames); !line.empty()) {
                Log(line);
            }
            RemoveNamed(removed);
            if (moved == 1) {
                Log("Moved 1 replay to " + trashName + " (" + SizeText(bytes) + ").");
            } else if (moved > 1) {
                Log("Moved " + std::to_string(moved) + " replays to " + trashName + " (" +
                    SizeText(bytes) + ").");
            }
            if (deletion->progress->cancel.load()) {
                Log("Stopped when asked, after " + std::to_string(moved) + " of " +
                    std::to_string(deletion->names.size()) +
                    " replays; the rest stay where they are.");
            }
            OnProgressTick();
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
    byNameStale_ = true;
    ShowSorted();
}

void LibraryPresenter::OnChooseFolder() {
    if (parts_.chooseFolder) {
        parts_.chooseFolder(); // an open Library follows to the folder chosen
    }
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
            std::optional<ReplayReading> reading;
            const std::string temporary =
                CopyReading(files, path, *stamp, destination, reading, error);
            if (temporary.empty()) {
                refusal = files.Describe(error);
                break;
            }
            if (files.CommitTemporary(temporary, destination, false, error)) {
                import.names[i] = candidate;
                if (const auto copied = files.Stamp(destination, error); copied && reading) {
                    import.indexed.push_back({candidate, *copied, std::move(*reading)});
                }
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
    for (const Import::Indexed& copy : import.indexed) {
        parts_.library.details().Put(copy.name, copy.stamp, copy.reading);
    }
    if (const std::string line = parts_.library.details().SaveChanges(); !line.empty()) {
        Log(line);
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
