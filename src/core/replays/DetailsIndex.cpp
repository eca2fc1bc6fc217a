#include "core/replays/DetailsIndex.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

#include "core/Text.h"

namespace clipwarden {

namespace {

using nlohmann::json;

constexpr int kIndexVersion = 1;
constexpr const char* kIndexFormat = "clipwarden-details";
constexpr int kDeepestNesting = 6;
constexpr std::size_t kMostModels = 1024;

/** Reads nothing into a document: only tells whether the bytes nest deeper than an index
 *  ever does, before a parser that recurses is let at them. */
class DepthCheck final : public nlohmann::json_sax<json> {
public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth_ <= kDeepestNesting; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return --depth_ >= 0; }
    bool start_array(std::size_t) override { return ++depth_ <= kDeepestNesting; }
    bool end_array() override { return --depth_ >= 0; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    int depth_ = 0;
};

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

/** Reads one entry's values with their ranges checked; any value out of place fails it. */
class EntryReader {
public:
    explicit EntryReader(const json& entry) : entry_(entry) {}
    [[nodiscard]] bool failed() const { return failed_; }

    template <typename T>
    T Whole(std::size_t at, T least, T most) {
        const json& value = entry_[at];
        if (value.is_number_unsigned() && value.get<std::uint64_t>() <= static_cast<std::uint64_t>(most) &&
            least >= 0) {
            return static_cast<T>(value.get<std::uint64_t>());
        }
        if (value.is_number_integer() && value.get<std::int64_t>() >= static_cast<std::int64_t>(least) &&
            value.get<std::int64_t>() <= static_cast<std::int64_t>(most)) {
            return static_cast<T>(value.get<std::int64_t>());
        }
        failed_ = true;
        return least;
    }
    std::optional<int> MaybeWhole(std::size_t at, int most) {
        return entry_[at].is_null() ? std::nullopt : std::optional<int>(Whole<int>(at, 0, most));
    }
    double Real(std::size_t at) {
        const json& value = entry_[at];
        if (!value.is_number() || !std::isfinite(value.get<double>()) ||
            std::fabs(value.get<double>()) > 1e9) {
            failed_ = true;
            return 0;
        }
        return value.get<double>();
    }
    std::optional<std::array<int, 2>> MaybePair(std::size_t at) {
        const json& value = entry_[at];
        if (value.is_null()) {
            return std::nullopt;
        }
        if (!value.is_array() || value.size() != 2 || !value[0].is_number_unsigned() ||
            !value[1].is_number_unsigned() || value[0].get<std::uint64_t>() > 23 ||
            value[1].get<std::uint64_t>() > 59) {
            failed_ = true;
            return std::nullopt;
        }
        return std::array<int, 2>{value[0].get<int>(), value[1].get<int>()};
    }
    std::optional<WorldPoint> MaybePoint(std::size_t at) {
        const json& value = entry_[at];
        if (value.is_null()) {
            return std::nullopt;
        }
        WorldPoint point;
        float* axes[] = {&point.x, &point.y, &point.z};
        if (!value.is_array() || value.size() != 3) {
            failed_ = true;
            return std::nullopt;
        }
        for (std::size_t i = 0; i < 3; ++i) {
            if (!value[i].is_number() || !std::isfinite(value[i].get<double>()) ||
                std::fabs(value[i].get<double>()) > 100'000) {
                failed_ = true;
                return std::nullopt;
            }
            *axes[i] = value[i].get<float>();
        }
        return point;
    }
    std::vector<std::uint16_t> Models(std::size_t at) {
        const json& value = entry_[at];
        std::vector<std::uint16_t> models;
        if (!value.is_array() || value.size() > kMostModels) {
            failed_ = true;
            return models;
        }
        for (const json& model : value) {
            if (!model.is_number_unsigned() || model.get<std::uint64_t>() > 65535) {
                failed_ = true;
                return {};
            }
            models.push_back(model.get<std::uint16_t>());
        }
        if (!std::is_sorted(models.begin(), models.end())) {
            failed_ = true;
        }
        return models;
    }
    std::string Text(std::size_t at) {
        if (!entry_[at].is_string()) {
            failed_ = true;
            return {};
        }
        return entry_[at].get<std::string>();
    }
    bool Flag(std::size_t at) {
        if (!entry_[at].is_boolean()) {
            failed_ = true;
            return false;
        }
        return entry_[at].get<bool>();
    }

private:
    const json& entry_;
    bool failed_ = false;
};

std::optional<IndexedReplay> ReadEntry(const json& entry) {
    if (!entry.is_array() || (entry.size() != kStampFields && entry.size() != kFieldCount)) {
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
    if (read.failed() || replay != (entry.size() == kFieldCount)) {
        return std::nullopt;
    }
    if (replay) {
        ReplayDetails& d = indexed.reading.details;
        d.buffers = read.Whole<int>(kBuffers, 1, 8);
        d.frames = read.Whole<int>(kFrames, 1, 1'000'000);
        if (!entry[kSeconds].is_null()) {
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
    DepthCheck depth;
    if (!json::sax_parse(bytes.begin(), bytes.end(), &depth, json::input_format_t::cbor, true)) {
        why = "it is no index of replay details";
        return std::nullopt;
    }
    const json document = json::from_cbor(bytes.begin(), bytes.end(), true, false);
    if (!document.is_object() || document.value("format", json()) != kIndexFormat) {
        why = "it is no index of replay details";
        return std::nullopt;
    }
    if (document.value("version", json()) != kIndexVersion) {
        why = "it is an index of another version";
        return std::nullopt;
    }
    const auto replays = document.find("replays");
    if (replays == document.end() || !replays->is_object()) {
        why = "it is no index of replay details";
        return std::nullopt;
    }
    DetailsIndex index;
    for (const auto& [key, entry] : replays->items()) {
        auto indexed = ReadEntry(entry);
        if (!indexed) {
            why = "an entry of it is damaged";
            return std::nullopt; // never trusted in part
        }
        index.entries_[UnescapeOddBytes(key)] = std::move(*indexed);
    }
    return index;
}

std::string DetailsIndex::FileName(const std::string& folder) {
    return "details-" + StableHexName(folder) + ".cbor";
}

} // namespace clipwarden
