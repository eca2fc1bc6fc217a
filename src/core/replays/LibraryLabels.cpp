#include "core/replays/LibraryLabels.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "core/Text.h"

namespace clipwarden {

namespace {

constexpr int kLabelFileVersion = 1;

using nlohmann::json;

/** A label file nests three deep; past this, a text is no label file and is not parsed at
 *  all (a parser would build a tree of every bracket first). */
constexpr int kDeepestNesting = 8;

bool NestsDeeperThan(const std::string& text, int most) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > most) {
                return true;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

/** The text as a JSON document; discarded when it is none, or nests too deep for a label file. */
json ParseDocument(const std::string& text) {
    if (NestsDeeperThan(text, kDeepestNesting)) {
        return json(json::value_t::discarded);
    }
    return json::parse(text, nullptr, false);
}

/** A whole number as a hand or another tool may have written it: 2000, 2000.0 or "2000". */
std::optional<std::uint64_t> WholeNumber(const json& value) {
    if (value.is_number_unsigned()) {
        return value.get<std::uint64_t>();
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // 2^64 is exact as a double; below it, every whole double fits.
        if (number >= 0 && number < 18446744073709551616.0 &&
            number == static_cast<double>(static_cast<std::uint64_t>(number))) {
            return static_cast<std::uint64_t>(number);
        }
        return std::nullopt;
    }
    if (value.is_string()) {
        const auto& digits = value.get_ref<const std::string&>();
        std::uint64_t number = 0;
        if (digits.empty() || digits.size() > 19) {
            return std::nullopt;
        }
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return std::nullopt;
            }
            number = number * 10 + static_cast<std::uint64_t>(c - '0');
        }
        return number;
    }
    return std::nullopt;
}

/** The version a parsed label file says it is; 0 when it says none. */
std::uint64_t VersionOf(const json& document) {
    const auto found = document.find("version");
    return found != document.end() ? WholeNumber(*found).value_or(0) : 0;
}

} // namespace

std::string LibraryLabels::Load(const std::string& folder) {
    folder_ = folder;
    entries_.clear();
    whyUnavailable_.clear();
    setAside_ = FindSetAside();
    std::error_code error;
    // Looked at before it is read: a change after this look is one the next look notices.
    seen_ = files_.Stamp(Path(), error);
    const auto text = files_.ReadSmallFile(Path(), kMostLabelFileBytes, error);
    if (!text && error == std::errc::no_such_file_or_directory) {
        state_ = State::None;
        seen_.reset();
        return {};
    }
    const std::string shown = Path();
    if (!text && error == NotARecording()) {
        state_ = State::Unreadable;
        whyUnavailable_ = "the label file " + shown +
                          " is not an ordinary file (a link, a folder or a pipe)";
        return "Labels and kept marks are unavailable: " + whyUnavailable_ +
               ". Nothing is written to it; replace it with the file itself and choose the "
               "folder again.";
    }
    if (!text && error != std::errc::file_too_large) {
        // Not ours to rename: it may be fine and only out of reach for now.
        state_ = State::Unreadable;
        whyUnavailable_ =
            "the label file " + shown + " cannot be read (" + files_.Describe(error) + ")";
        return "Labels and kept marks are unavailable: " + whyUnavailable_ +
               ". Nothing is written to it until it can be read; fix it and choose the folder "
               "again.";
    }
    if (text) {
        const json document = ParseDocument(*text);
        if (!document.is_discarded() && document.is_object() &&
            VersionOf(document) > kLabelFileVersion) {
            state_ = State::Unreadable;
            whyUnavailable_ = "the label file " + shown + " was written by a newer Clipwarden";
            return "Labels and kept marks are unavailable: " + whyUnavailable_ +
                   ". It is left as it is; use that Clipwarden for this folder.";
        }
        if (auto parsed = Parse(*text, files_.NamesIgnoreCase())) {
            entries_ = std::move(*parsed);
            state_ = State::Loaded;
            return {};
        }
    }
    // Damaged or far too large: kept under another name, never overwritten.
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string aside =
            Path() + ".damaged" + (attempt > 1 ? "-" + std::to_string(attempt) : std::string());
        if (files_.MoveAside(Path(), aside, error)) {
            state_ = State::SetAside;
            seen_.reset();
            setAside_ = aside;
            return "The label file " + shown + " could not be read as one, so it was kept as " +
                   aside + " and the library starts without labels.";
        }
        if (error != std::errc::file_exists) {
            break;
        }
    }
    state_ = State::Unreadable;
    whyUnavailable_ = "the label file " + shown + " is damaged and cannot be set aside (" +
                      files_.Describe(error) + ")";
    return "Labels and kept marks are unavailable: " + whyUnavailable_ +
           ". Move it out of the replay folder and choose the folder again.";
}

std::optional<ReplayMark> LibraryLabels::Find(const std::string& name, std::uint64_t size) const {
    const auto found = entries_.find(Key(name));
    if (found == entries_.end() || found->second.size != size) {
        return std::nullopt;
    }
    return found->second.mark;
}

bool LibraryLabels::Set(const std::string& name, std::uint64_t size, ReplayMark mark,
                        std::string& why) {
    // Labels come from text boxes, but a label is shown and written as UTF-8 all the same.
    mark.label = FirstCharacters(EncodeUtf8(DecodeUtf8(mark.label)), kLongestLabel);
    return Write(
        [&](Entries& entries) {
            if (mark.label.empty() && !mark.kept) {
                entries.erase(Key(name));
            } else {
                entries[Key(name)] = Entry{name, size, mark};
            }
        },
        why);
}

bool LibraryLabels::Forget(const std::string& name, std::string& why) {
    return Forget(std::vector<std::string>{name}, why);
}

bool LibraryLabels::Forget(const std::vector<std::string>& names, std::string& why) {
    if (available()) {
        if (why = ReadAgainIfChanged(); !why.empty()) {
            return false;
        }
    }
    // After every capture: the marks are written only when one of the names has any.
    if (std::none_of(names.begin(), names.end(),
                     [this](const std::string& name) { return entries_.contains(Key(name)); })) {
        return true;
    }
    return Write(
        [&](Entries& entries) {
            for (const std::string& name : names) {
                entries.erase(Key(name));
            }
        },
        why);
}

void LibraryLabels::CheckStillThere() {
    if (state_ == State::Loaded && !files_.Exists(Path())) {
        state_ = State::Vanished;
        whyUnavailable_ = "the label file " + Path() + " has gone missing";
    }
}

std::string LibraryLabels::ConfirmMarks() {
    if (!available()) {
        return whyUnavailable_;
    }
    if (!setAside_.empty() && files_.Exists(setAside_)) {
        return "the label file was damaged and was kept as " + setAside_ +
               ", so nobody knows which replays it kept; mend it and put it back as " +
               Path() + ", or remove it";
    }
    setAside_.clear();
    return ReadAgainIfChanged();
}

std::string LibraryLabels::ReadAgainIfChanged() {
    std::error_code error;
    const std::optional<FileStamp> now = files_.Stamp(Path(), error);
    if (now == seen_) {
        return {};
    }
    const std::string shown = Path();
    if (!now && error == std::errc::no_such_file_or_directory) {
        if (state_ == State::Loaded) {
            CheckStillThere();
            return whyUnavailable_;
        }
        seen_.reset(); // none was there when it was last looked at, and none is now
        return {};
    }
    std::optional<std::string> text;
    if (now) {
        text = files_.ReadSmallFile(Path(), kMostLabelFileBytes, error);
    }
    std::optional<Entries> fresh = text ? Parse(*text, files_.NamesIgnoreCase()) : std::nullopt;
    if (!fresh) {
        // Not set aside now: it may be another program's write in the making. The next start
        // deals with it as with any damaged file.
        state_ = State::Unreadable;
        whyUnavailable_ = "the label file " + shown +
                          " was changed by another program and cannot be read now" +
                          (text ? std::string() : " (" + files_.Describe(error) + ")");
        return whyUnavailable_;
    }
    entries_ = MergeKept(std::move(*fresh), entries_);
    seen_ = now;
    state_ = State::Loaded;
    return {};
}

template <typename Change>
bool LibraryLabels::Write(const Change& change, std::string& why) {
    if (!available()) {
        why = whyUnavailable_;
        return false;
    }
    // What another writer did meanwhile is read first, so that its marks are not lost; a file
    // that was read and has gone since was removed by someone: it is not written anew over
    // what may be on its way back.
    if (why = ReadAgainIfChanged(); !why.empty()) {
        return false;
    }
    Entries changed = entries_;
    change(changed);
    std::error_code error;
    const std::string temporary = files_.WriteTemporary(Path(), Serialize(changed), error);
    // The rename keeps the file's identity and time: what is seen now is what the file is.
    const std::optional<FileStamp> written =
        temporary.empty() ? std::nullopt : files_.Stamp(temporary, error);
    if (temporary.empty() || !files_.CommitTemporary(temporary, Path(), true, error)) {
        why = "the label file " + Path() + " cannot be written (" +
              files_.Describe(error) + ")";
        return false;
    }
    entries_ = std::move(changed);
    seen_ = written;
    state_ = State::Loaded;
    return true;
}

std::string LibraryLabels::FindSetAside() {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string aside =
            Path() + ".damaged" + (attempt > 1 ? "-" + std::to_string(attempt) : std::string());
        if (files_.Exists(aside)) {
            return aside;
        }
        if (attempt > 1) {
            break; // each is made at the first free name: a gap after the second ends them
        }
    }
    return {};
}

LibraryLabels::Entries LibraryLabels::MergeKept(Entries fresh, const Entries& known) {
    for (const auto& [key, entry] : known) {
        if (!entry.mark.kept) {
            continue;
        }
        const auto found = fresh.find(key);
        if (found == fresh.end()) {
            fresh.emplace(key, entry);
        } else if (found->second.size == entry.size) {
            found->second.mark.kept = true;
        }
    }
    return fresh;
}

std::string LibraryLabels::Serialize(const Entries& entries) {
    json replays = json::object();
    for (const auto& [key, entry] : entries) {
        replays[EscapeOddBytes(entry.name)] = {
            {"label", entry.mark.label}, {"kept", entry.mark.kept}, {"size", entry.size}};
    }
    const json document = {{"version", kLabelFileVersion}, {"replays", replays}};
    // Any byte that is not UTF-8 was escaped above; a slip becomes U+FFFD, never a throw.
    return document.dump(1, '\t', false, json::error_handler_t::replace) + "\n";
}

std::optional<LibraryLabels::Entries> LibraryLabels::Parse(const std::string& text,
                                                           bool ignoreCase) {
    const json document = ParseDocument(text);
    if (document.is_discarded() || !document.is_object() ||
        VersionOf(document) != kLabelFileVersion) {
        return std::nullopt;
    }
    const auto replays = document.find("replays");
    if (replays == document.end() || !replays->is_object()) {
        return std::nullopt;
    }
    Entries entries;
    for (const auto& [escaped, value] : replays->items()) {
        if (!value.is_object()) {
            return std::nullopt;
        }
        // Slips another tool or a hand may make (2000.0, "2000", 1 for true) still say what
        // was meant; anything else is no label file of ours.
        const auto label = value.find("label");
        const auto kept = value.find("kept");
        const auto size = value.find("size");
        const std::optional<std::uint64_t> bytes =
            size == value.end() ? std::nullopt : WholeNumber(*size);
        std::uint64_t keptNumber = 2; // neither 0 nor 1: no answer
        if (kept != value.end()) {
            keptNumber = kept->is_boolean() ? (kept->get<bool>() ? 1 : 0)
                                            : WholeNumber(*kept).value_or(2);
        }
        if (label == value.end() || !label->is_string() || keptNumber > 1 || !bytes) {
            return std::nullopt;
        }
        Entry entry{UnescapeOddBytes(escaped), *bytes,
                    ReplayMark{FirstCharacters(label->get<std::string>(), kLongestLabel),
                               keptNumber == 1}};
        std::string key = ignoreCase ? ToLowerAscii(entry.name) : entry.name;
        entries.insert_or_assign(std::move(key), std::move(entry));
    }
    return entries;
}

std::string LibraryLabels::Key(const std::string& name) const {
    return files_.NamesIgnoreCase() ? ToLowerAscii(name) : name;
}

std::string LibraryLabels::Path() const {
    return files_.Join(folder_, kLabelFileName);
}

} // namespace clipwarden
