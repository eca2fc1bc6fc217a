#include "core/replays/DetailsIndex.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <span>

#include "core/Text.h"

namespace clipwarden {

namespace {

using nlohmann::json;

constexpr int kIndexVersion = 1;
constexpr const char* kIndexFormat = "clipwarden-details";
constexpr std::size_t kMostModels = 1024;

json Pair(const std::optional<std::array<int, 2>>& value) {
    return value ? json::array({(*value)[0], (*value)[1]}) : json(nullptr);
}

json Point(const std::optional<WorldPoint>& point) {
    return point ? json::array({point->x, point->y, point->z}) : json(nullptr);
}

/** The fields of one entry, in the order they are stored. */
enum Field : std::size_t {
    kDevice, kFileId, kSize, kModified, kKind, kWhy, kBuffers, kFrames, kSeconds, kClockStart,
    kClockEnd, kWeatherStart, kWeatherEnd, kStart, kEnd, kMetres, kModels, kPlayerModels,
    kPedsAtOnce, kInteriorStart, kInterior, kRc, kFieldCount,
};
constexpr std::size_t kStampFields = kWhy + 1;

/** One value of an entry as the file holds it: a number, a text, a flag, nothing, or an array
 *  of such values (kept in the entry's list of inner values). */
struct Slot {
    enum class Type { Null, Unsigned, Signed, Real, Text, Flag, Array, Other };
    Type type = Type::Null;
    std::uint64_t unsignedValue = 0;
    std::int64_t signedValue = 0;
    double real = 0;
    std::string text;
    std::size_t first = 0; ///< an array's first inner value
    std::size_t count = 0; ///< and how many it has
};

/** One entry as read: its values, and the inner values of its arrays. */
struct EntrySlots {
    std::vector<Slot> values;
    std::vector<Slot> inner;
};

/** Reads one entry's values with their ranges checked; any value out of place fails it. */
class EntryReader {
public:
    explicit EntryReader(const EntrySlots& entry) : entry_(entry) {}
    [[nodiscard]] bool failed() const { return failed_; }

    template <typename T>
    T Whole(std::size_t at, T least, T most) {
        return WholeOf(entry_.values[at], least, most);
    }
    std::optional<int> MaybeWhole(std::size_t at, int most) {
        return IsNull(at) ? std::nullopt : std::optional<int>(Whole<int>(at, 0, most));
    }
    [[nodiscard]] bool IsNull(std::size_t at) const {
        return entry_.values[at].type == Slot::Type::Null;
    }
    double Real(std::size_t at) { return RealOf(entry_.values[at], 1e9); }
    std::optional<std::array<int, 2>> MaybePair(std::size_t at) {
        if (IsNull(at)) {
            return std::nullopt;
        }
        const auto inner = Inner(at, 2, 2);
        if (inner.size() != 2) {
            return std::nullopt;
        }
        return std::array<int, 2>{WholeOf(inner[0], 0, 23), WholeOf(inner[1], 0, 59)};
    }
    std::optional<WorldPoint> MaybePoint(std::size_t at) {
        if (IsNull(at)) {
            return std::nullopt;
        }
        const auto inner = Inner(at, 3, 3);
        if (inner.size() != 3) {
            return std::nullopt;
        }
        return WorldPoint{static_cast<float>(RealOf(inner[0], 100'000)),
                          static_cast<float>(RealOf(inner[1], 100'000)),
                          static_cast<float>(RealOf(inner[2], 100'000))};
    }
    std::vector<std::uint16_t> Models(std::size_t at) {
        std::vector<std::uint16_t> models;
        for (const Slot& model : Inner(at, 0, kMostModels)) {
            models.push_back(WholeOf<std::uint16_t>(model, 0, 65535));
        }
        if (!std::is_sorted(models.begin(), models.end())) {
            failed_ = true;
        }
        return models;
    }
    std::string Text(std::size_t at) {
        if (entry_.values[at].type != Slot::Type::Text) {
            failed_ = true;
            return {};
        }
        return entry_.values[at].text;
    }
    bool Flag(std::size_t at) {
        if (entry_.values[at].type != Slot::Type::Flag) {
            failed_ = true;
            return false;
        }
        return entry_.values[at].unsignedValue != 0;
    }

private:
    template <typename T> T WholeOf(const Slot& value, T least, T most) {
        if (value.type == Slot::Type::Unsigned && most >= 0 &&
            value.unsignedValue <= static_cast<std::uint64_t>(most) &&
            (least <= 0 || value.unsignedValue >= static_cast<std::uint64_t>(least))) {
            return static_cast<T>(value.unsignedValue);
        }
        if (value.type == Slot::Type::Signed &&
            value.signedValue >= static_cast<std::int64_t>(least) &&
            value.signedValue <= static_cast<std::int64_t>(most)) {
            return static_cast<T>(value.signedValue);
        }
        failed_ = true;
        return least;
    }
    double RealOf(const Slot& value, double largest) {
        const double number =
            value.type == Slot::Type::Real       ? value.real
            : value.type == Slot::Type::Unsigned ? static_cast<double>(value.unsignedValue)
            : value.type == Slot::Type::Signed   ? static_cast<double>(value.signedValue)
                                                 : NAN;
        if (!std::isfinite(number) || std::fabs(number) > largest) {
            failed_ = true;
            return 0;
        }
        return number;
    }
    /** The inner values of an array of `least` to `most` values; none, failing, otherwise. */
    std::span<const Slot> Inner(std::size_t at, std::size_t least, std::size_t most) {
        const Slot& value = entry_.values[at];
        if (value.type != Slot::Type::Array || value.count < least || value.count > most) {
            failed_ = true;
            return {};
        }
        return std::span(entry_.inner).subspan(value.first, value.count);
    }

    const EntrySlots& entry_;
    bool failed_ = false;
};

std::optional<IndexedReplay> ReadEntry(const EntrySlots& entry) {
    const std::size_t size = entry.values.size();
    if (size != kStampFields && size != kFieldCount) {
        return std::nullopt;
    }
    EntryReader read(entry);
    IndexedReplay indexed;
    indexed.stamp.device = read.Whole<std::uint64_t>(kDevice, 0, UINT64_MAX);
    indexed.stamp.fileId = read.Whole<std::uint64_t>(kFileId, 0, UINT64_MAX);
    indexed.stamp.size = read.Whole<std::uint64_t>(kSize, 0, UINT64_MAX);
    indexed.stamp.modified = read.Whole<std::int64_t>(kModified, INT64_MIN, INT64_MAX);
    const int kind = read.Whole<int>(kKind, 0, 3);
    indexed.reading.kind = static_cast<ReplayReading::Kind>(kind);
    indexed.reading.why = read.Text(kWhy);
    const bool replay = indexed.reading.kind == ReplayReading::Kind::Replay;
    if (read.failed() || replay != (size == kFieldCount)) {
        return std::nullopt;
    }
    if (replay) {
        ReplayDetails& d = indexed.reading.details;
        d.buffers = read.Whole<int>(kBuffers, 1, 8);
        d.frames = read.Whole<int>(kFrames, 1, 1'000'000);
        if (!read.IsNull(kSeconds)) {
            d.seconds = read.Real(kSeconds);
        }
        d.clockStart = read.MaybePair(kClockStart);
        d.clockEnd = read.MaybePair(kClockEnd);
        d.weatherStart = read.MaybeWhole(kWeatherStart, 5);
        d.weatherEnd = read.MaybeWhole(kWeatherEnd, 5);
        d.start = read.MaybePoint(kStart);
        d.end = read.MaybePoint(kEnd);
        d.metres = read.Real(kMetres);
        d.vehicleModels = read.Models(kModels);
        d.playerVehicleModels = read.Models(kPlayerModels);
        d.pedsAtOnce = read.Whole<int>(kPedsAtOnce, 0, 255 * 8);
        d.interiorStart = read.Whole<int>(kInteriorStart, 0, 255);
        d.interior = read.Whole<int>(kInterior, 0, 255);
        d.rcVehicle = read.Flag(kRc);
        if (read.failed() || (d.seconds && *d.seconds < 0) || d.metres < 0) {
            return std::nullopt;
        }
    }
    return indexed;
}

/** Reads an index's file in one pass, each entry into the index as it ends, with no document
 *  in between. Bytes that nest deeper than an index ever does stop it at once (the parser
 *  recurses), as does anything else out of place. */
class IndexReader final : public nlohmann::json_sax<json> {
public:
    explicit IndexReader(std::map<std::string, IndexedReplay>& entries) : entries_(entries) {}

    bool null() override { return Value(Slot{}); }
    bool boolean(bool value) override {
        return Value(Slot{Slot::Type::Flag, value ? 1U : 0U, 0, 0, {}, 0, 0});
    }
    bool number_integer(number_integer_t value) override {
        return Value(Slot{Slot::Type::Signed, 0, value, 0, {}, 0, 0});
    }
    bool number_unsigned(number_unsigned_t value) override {
        return Value(Slot{Slot::Type::Unsigned, value, 0, 0, {}, 0, 0});
    }
    bool number_float(number_float_t value, const string_t&) override {
        return Value(Slot{Slot::Type::Real, 0, 0, value, {}, 0, 0});
    }
    bool string(string_t& value) override {
        Slot slot{Slot::Type::Text, 0, 0, 0, {}, 0, 0};
        slot.text = std::move(value);
        return Value(std::move(slot));
    }
    bool binary(binary_t&) override { return Value(Slot{Slot::Type::Other, 0, 0, 0, {}, 0, 0}); }
    bool start_object(std::size_t) override {
        ++depth_;
        if (depth_ == 1 || (depth_ == 2 && key_ == "replays")) {
            inReplays_ = depth_ == 2;
            return true;
        }
        return false; // an object anywhere else: no index of ours
    }
    bool key(string_t& value) override {
        key_ = std::move(value);
        return true;
    }
    bool end_object() override {
        inReplays_ = false;
        return --depth_ >= 0;
    }
    bool start_array(std::size_t) override {
        ++depth_;
        if (depth_ == 3 && inReplays_) {
            entry_.values.clear();
            entry_.inner.clear();
            return true;
        }
        if (depth_ == 4) {
            entry_.values.push_back(Slot{Slot::Type::Array, 0, 0, 0, {}, entry_.inner.size(), 0});
            return true;
        }
        return false;
    }
    bool end_array() override {
        if (depth_ == 4) {
            Slot& array = entry_.values.back();
            array.count = entry_.inner.size() - array.first;
        } else if (depth_ == 3 && !damaged_) {
            auto indexed = ReadEntry(entry_);
            if (indexed) {
                entries_[UnescapeOddBytes(key_)] = std::move(*indexed);
            } else {
                damaged_ = true; // read on: a version told later may explain it
            }
        }
        return --depth_ >= 0;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    std::string format;
    std::optional<std::uint64_t> version;
    [[nodiscard]] bool damaged() const { return damaged_; }

private:
    bool Value(Slot slot) {
        if (depth_ == 1) {
            if (key_ == "format" && slot.type == Slot::Type::Text) {
                format = std::move(slot.text);
            } else if (key_ == "version" && slot.type == Slot::Type::Unsigned) {
                version = slot.unsignedValue;
            }
            return true;
        }
        if (depth_ == 3) {
            entry_.values.push_back(std::move(slot));
            return entry_.values.size() <= kFieldCount;
        }
        if (depth_ == 4) {
            entry_.inner.push_back(std::move(slot));
            return entry_.inner.size() <= 2 * kMostModels + 8;
        }
        return false; // an entry that is no array
    }

    std::map<std::string, IndexedReplay>& entries_;
    int depth_ = 0;
    bool inReplays_ = false;
    bool damaged_ = false;
    std::string key_;
    EntrySlots entry_;
};

} // namespace

const IndexedReplay* DetailsIndex::Find(const std::string& name, const FileStamp& stamp) const {
    const auto found = entries_.find(name);
    return found != entries_.end() && found->second.stamp == stamp ? &found->second : nullptr;
}

void DetailsIndex::Put(const std::string& name, const FileStamp& stamp, ReplayReading reading) {
    reading.details.path.clear(); // read from the file when it is wanted
    reading.details.warnings.clear();
    entries_[name] = {stamp, std::move(reading)};
}

void DetailsIndex::Remove(const std::string& name) {
    entries_.erase(name);
}

std::size_t DetailsIndex::KeepOnly(const std::vector<std::string>& names) {
    const std::set<std::string> kept(names.begin(), names.end());
    return std::erase_if(entries_, [&](const auto& entry) { return !kept.contains(entry.first); });
}

std::vector<std::uint8_t> DetailsIndex::Serialize() const {
    json replays = json::object();
    for (const auto& [name, indexed] : entries_) {
        const FileStamp& s = indexed.stamp;
        const ReplayReading& r = indexed.reading;
        json entry = json::array({s.device, s.fileId, s.size, s.modified, static_cast<int>(r.kind),
                                  r.why});
        if (r.kind == ReplayReading::Kind::Replay) {
            const ReplayDetails& d = r.details;
            for (json value :
                 {json(d.buffers), json(d.frames), d.seconds ? json(*d.seconds) : json(nullptr),
                  Pair(d.clockStart), Pair(d.clockEnd),
                  d.weatherStart ? json(*d.weatherStart) : json(nullptr),
                  d.weatherEnd ? json(*d.weatherEnd) : json(nullptr), Point(d.start), Point(d.end),
                  json(d.metres), json(d.vehicleModels), json(d.playerVehicleModels),
                  json(d.pedsAtOnce), json(d.interiorStart), json(d.interior), json(d.rcVehicle)}) {
                entry.push_back(std::move(value));
            }
        }
        replays[EscapeOddBytes(name)] = std::move(entry);
    }
    const json document = {
        {"format", kIndexFormat}, {"version", kIndexVersion}, {"replays", std::move(replays)}};
    return json::to_cbor(document);
}

std::optional<DetailsIndex> DetailsIndex::Parse(std::span<const std::uint8_t> bytes,
                                                std::string& why) {
    if (bytes.size() > kMostIndexBytes) {
        why = "it is larger than any index Clipwarden writes";
        return std::nullopt;
    }
    DetailsIndex index;
    IndexReader reader(index.entries_);
    const bool read =
        json::sax_parse(bytes.begin(), bytes.end(), &reader, json::input_format_t::cbor, true);
    if (!read || reader.format != kIndexFormat) {
        why = "it is no index of replay details";
        return std::nullopt;
    }
    if (reader.version != static_cast<std::uint64_t>(kIndexVersion)) {
        why = "it is an index of another version";
        return std::nullopt;
    }
    if (reader.damaged()) {
        why = "an entry of it is damaged";
        return std::nullopt; // never trusted in part
    }
    return index;
}

std::string DetailsIndex::FileName(const std::string& folder) {
    return "details-" + StableHexName(folder) + ".cbor";
}

} // namespace clipwarden
