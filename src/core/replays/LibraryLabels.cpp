#include "core/replays/LibraryLabels.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "core/Text.h"

namespace clipwarden {

namespace {

constexpr int kLabelFileVersion = 1;

using nlohmann::json;

/** The version a parsed label file says it is; 0 when it says none. */
int VersionOf(const json& document) {
    const auto found = document.find("version");
    return found != document.end() && found->is_number_integer() ? found->get<int>() : 0;
}

} // namespace

std::string LibraryLabels::Load(const std::string& folder) {
    folder_ = folder;
    entries_.clear();
    whyUnavailable_.clear();
    std::error_code error;
    const auto text = files_.ReadSmallFile(Path(), kMostLabelFileBytes, error);
    if (!text && error == std::errc::no_such_file_or_directory) {
        state_ = State::None;
        return {};
    }
    const std::string shown = EscapeText(Path(), false);
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
        const json document = json::parse(*text, nullptr, false);
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
            return "The label file " + shown + " could not be read as one, so it was kept as " +
                   EscapeText(aside, false) + " and the library starts without labels.";
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
    Entries changed = entries_;
    // Labels come from text boxes, but a label is shown and written as UTF-8 all the same.
    mark.label = FirstCharacters(EncodeUtf8(DecodeUtf8(mark.label)), kLongestLabel);
    if (mark.label.empty() && !mark.kept) {
        changed.erase(Key(name));
    } else {
        changed[Key(name)] = Entry{name, size, std::move(mark)};
    }
    return Write(std::move(changed), why);
}

bool LibraryLabels::Forget(const std::string& name, std::string& why) {
    return Forget(std::vector<std::string>{name}, why);
}

bool LibraryLabels::Forget(const std::vector<std::string>& names, std::string& why) {
    // After every capture: the marks are copied only when one of the names has any.
    if (std::none_of(names.begin(), names.end(),
                     [this](const std::string& name) { return entries_.contains(Key(name)); })) {
        return true;
    }
    Entries changed = entries_;
    for (const std::string& name : names) {
        changed.erase(Key(name));
    }
    return Write(std::move(changed), why);
}

void LibraryLabels::CheckStillThere() {
    if (state_ == State::Loaded && !files_.Exists(Path())) {
        state_ = State::Vanished;
        whyUnavailable_ = "the label file " + EscapeText(Path(), false) + " has gone missing";
    }
}

bool LibraryLabels::Write(Entries entries, std::string& why) {
    if (!available()) {
        why = whyUnavailable_;
        return false;
    }
    std::error_code error;
    // A file that was read and has gone since was removed by someone: it is not written
    // anew over what may be on its way back.
    CheckStillThere();
    if (!available()) {
        why = whyUnavailable_;
        return false;
    }
    const std::string temporary = files_.WriteTemporary(Path(), Serialize(entries), error);
    if (temporary.empty() || !files_.CommitTemporary(temporary, Path(), true, error)) {
        why = "the label file " + EscapeText(Path(), false) + " cannot be written (" +
              files_.Describe(error) + ")";
        return false;
    }
    entries_ = std::move(entries);
    state_ = State::Loaded;
    return true;
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
    const json document = json::parse(text, nullptr, false);
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
        const auto label = value.find("label");
        const auto kept = value.find("kept");
        const auto size = value.find("size");
        if (!value.is_object() || label == value.end() || !label->is_string() ||
            kept == value.end() || !kept->is_boolean() || size == value.end() ||
            !size->is_number_unsigned()) {
            return std::nullopt;
        }
        Entry entry{UnescapeOddBytes(escaped), size->get<std::uint64_t>(),
                    ReplayMark{FirstCharacters(label->get<std::string>(), kLongestLabel),
                               kept->get<bool>()}};
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
