#include "core/gamefiles/ReplayReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/gamefiles/LittleEndian.h"

namespace clipwarden {

namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kBufferBytes = 100'000;
constexpr std::size_t kMostBuffers = 8;
/** The recorder never writes an end byte later than this. */
constexpr std::size_t kLatestEnd = 99'984;
constexpr float kFarthest = 10'000;
constexpr double kLongestStep = 50; ///< metres in one frame; more is a teleport

enum Packet : std::uint8_t {
    kEnd = 0,
    kVehicle = 1,
    kBike = 2,
    kPedHeader = 3,
    kPedUpdate = 4,
    kGeneral = 5,
    kClock = 6,
    kWeather = 7,
    kEndOfFrame = 8,
    kTimer = 9,
    kBulletTrace = 10,
    kParticle = 11,
    kMisc = 12,
};
constexpr std::array<std::size_t, 13> kPacketBytes = {1, 52, 44, 8, 44, 88, 4, 8, 4, 8, 28, 20, 16};

/** Little-endian fields of one packet, read at their offsets; a read past the packet's end
 *  gives zero and marks the cursor failed (the walk never lets that happen). */
class PacketCursor {
public:
    explicit PacketCursor(std::span<const std::uint8_t> packet) : packet_(packet) {}
    [[nodiscard]] std::uint8_t U8(std::size_t at) { return Fits(at, 1) ? packet_[at] : 0; }
    [[nodiscard]] std::uint16_t U16(std::size_t at) { return Fits(at, 2) ? U16At(packet_, at) : 0; }
    [[nodiscard]] std::uint32_t U32(std::size_t at) { return Fits(at, 4) ? U32At(packet_, at) : 0; }
    [[nodiscard]] float F32(std::size_t at) {
        const std::uint32_t bits = U32(at);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    [[nodiscard]] WorldPoint Point(std::size_t at) { return {F32(at), F32(at + 4), F32(at + 8)}; }
    [[nodiscard]] bool failed() const { return failed_; }

private:
    bool Fits(std::size_t at, std::size_t bytes) {
        failed_ = failed_ || at + bytes > packet_.size();
        return !failed_;
    }
    std::span<const std::uint8_t> packet_;
    bool failed_ = false;
};

/** Where a frame's packets stand: what may come next. */
enum class Place {
    BetweenFrames, ///< a particle, a frame's GENERAL, or the buffer's end
    AfterGeneral,  ///< CLOCK
    AfterClock,    ///< WEATHER
    AfterWeather,  ///< TIMER
    Vehicles,      ///< vehicles, then peds, traces, MISC
    Peds,          ///< peds, traces, MISC
    AfterPedHeader, ///< the update of the header's ped
    Traces,        ///< traces, MISC
    AfterMisc,     ///< END_OF_FRAME
};

bool Allowed(Place place, std::uint8_t type) {
    switch (place) {
    case Place::BetweenFrames:
        return type == kParticle || type == kGeneral || type == kEnd;
    case Place::AfterGeneral:
        return type == kClock;
    case Place::AfterClock:
        return type == kWeather;
    case Place::AfterWeather:
        return type == kTimer;
    case Place::Vehicles:
        return type == kVehicle || type == kBike || type == kPedHeader || type == kPedUpdate ||
               type == kBulletTrace || type == kMisc;
    case Place::Peds:
        return type == kPedHeader || type == kPedUpdate || type == kBulletTrace || type == kMisc;
    case Place::AfterPedHeader:
        return type == kPedUpdate;
    case Place::Traces:
        return type == kBulletTrace || type == kMisc;
    case Place::AfterMisc:
        return type == kEndOfFrame;
    }
    return false;
}

Place After(Place place, std::uint8_t type) {
    switch (type) {
    case kGeneral:
        return Place::AfterGeneral;
    case kClock:
        return Place::AfterClock;
    case kWeather:
        return Place::AfterWeather;
    case kTimer:
        return Place::Vehicles;
    case kVehicle:
    case kBike:
        return Place::Vehicles;
    case kPedHeader:
        return Place::AfterPedHeader;
    case kPedUpdate:
        return Place::Peds;
    case kBulletTrace:
        return Place::Traces;
    case kMisc:
        return Place::AfterMisc;
    case kEndOfFrame:
    case kParticle:
        return Place::BetweenFrames;
    default:
        return place;
    }
}

bool Plausible(const WorldPoint& point) {
    return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z) &&
           std::fabs(point.x) <= kFarthest && std::fabs(point.y) <= kFarthest &&
           std::fabs(point.z) <= kFarthest;
}

double Distance(const WorldPoint& a, const WorldPoint& b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

/** A set of small numbers as bits. */
template <std::size_t N>
class Bits {
public:
    void Set(std::size_t at, bool on = true) {
        const std::uint64_t bit = std::uint64_t{1} << (at % 64);
        words_[at / 64 % words_.size()] = on ? words_[at / 64 % words_.size()] | bit
                                             : words_[at / 64 % words_.size()] & ~bit;
    }
    [[nodiscard]] bool operator[](std::size_t at) const {
        return ((words_[at / 64 % words_.size()] >> (at % 64)) & 1U) != 0;
    }
    void Clear() { words_.fill(0); }
    static constexpr std::size_t size() { return N; }

private:
    std::array<std::uint64_t, N / 64> words_{};
};

/** One frame's figures, as its packets come. */
struct Frame {
    bool rc = false;
    WorldPoint player;
    int hours = 0;
    int minutes = 0;
    int oldWeather = 0;
    int newWeather = 0;
    float blend = 0;
    std::uint32_t timer = 0;
    int peds = 0;
    int interior = 0;
    int lastVehicleSlot = -1;
    int lastPedSlot = -1;
    int pedHeaderSlot = -1;
};

/** Reads the frames of every buffer into the details, one frame at a time and without a
 *  heap allocation per frame; the first hard fault ends it. */
class Walk {
public:
    explicit Walk(ReplayDetails& details) : details_(details) { samples_.reserve(kMostSamples); }

    /** "" when the buffer followed the grammar to its end byte, else why not. */
    std::string Buffer(std::span<const std::uint8_t> buffer, int number) {
        playerPeds_.Clear(); // each buffer names its peds anew
        Place place = Place::BetweenFrames;
        std::size_t at = 0;
        while (true) {
            if (at >= buffer.size()) {
                return Where(number) + " has no end byte";
            }
            const std::uint8_t type = buffer[at];
            if (type >= kPacketBytes.size()) {
                return Where(number) + " holds a packet of unknown type " + std::to_string(type) +
                       " at offset " + std::to_string(at);
            }
            if (at + kPacketBytes[type] > buffer.size()) {
                return Where(number) + " ends inside a packet at offset " + std::to_string(at);
            }
            if (!Allowed(place, type)) {
                return Where(number) + " has a packet of type " + std::to_string(type) +
                       " out of order at offset " + std::to_string(at);
            }
            if (type == kEnd) {
                if (at > kLatestEnd) {
                    Warn(Where(number) + " ends later than the game ever ends one");
                }
                return {};
            }
            Take(type, PacketCursor(buffer.subspan(at, kPacketBytes[type])));
            place = After(place, type);
            at += kPacketBytes[type];
        }
    }

    void Finish() {
        details_.frames = frames_;
        if (frames_ == 0) {
            return;
        }
        details_.clockStart = Clock(first_);
        details_.clockEnd = Clock(last_);
        details_.weatherStart = Weather(first_);
        details_.weatherEnd = Weather(last_);
        details_.interiorStart = first_.interior;
        details_.interior = last_.interior;
        if (stepsBack_) {
            Warn("the game's timer steps back");
        }
        details_.seconds = seconds_;
        if (Plausible(first_.player)) {
            details_.start = first_.player;
        }
        if (Plausible(last_.player)) {
            details_.end = last_.player;
        }
        Thin();
        for (std::size_t model = 0; model < models_.size(); ++model) {
            if (models_[model]) {
                details_.vehicleModels.push_back(static_cast<std::uint16_t>(model));
            }
            if (playerModels_[model]) {
                details_.playerVehicleModels.push_back(static_cast<std::uint16_t>(model));
            }
        }
    }

private:
    /** Positions kept for the path: twice what it shows, so that thinning stays even. */
    static constexpr std::size_t kMostSamples = 2 * kMostPathPoints;

    static std::string Where(int number) { return "buffer " + std::to_string(number); }

    void Take(std::uint8_t type, PacketCursor packet) {
        switch (type) {
        case kGeneral:
            frame_ = Frame();
            frame_.rc = packet.U8(1) != 0;
            frame_.player = packet.Point(76);
            break;
        case kClock:
            frame_.hours = packet.U8(1);
            frame_.minutes = packet.U8(2);
            break;
        case kWeather:
            frame_.oldWeather = packet.U8(1);
            frame_.newWeather = packet.U8(2);
            frame_.blend = packet.F32(4);
            break;
        case kTimer:
            frame_.timer = packet.U32(4);
            break;
        case kVehicle:
        case kBike: {
            const int slot = packet.U8(1);
            if (slot <= frame_.lastVehicleSlot) {
                Warn("vehicle slots do not increase within a frame");
            }
            frame_.lastVehicleSlot = slot;
            const std::uint16_t model = packet.U16(26);
            slotModels_[static_cast<std::size_t>(slot)] = model;
            slotFrames_[static_cast<std::size_t>(slot)] = frames_ + 1;
            models_.Set(model);
            break;
        }
        case kPedHeader: {
            const auto slot = static_cast<std::size_t>(packet.U8(1));
            frame_.pedHeaderSlot = static_cast<int>(slot);
            playerPeds_.Set(slot, packet.U16(2) == 0 && packet.U8(4) == 0);
            break;
        }
        case kPedUpdate: {
            const int slot = packet.U8(1);
            if (frame_.pedHeaderSlot >= 0 && frame_.pedHeaderSlot != slot) {
                Warn("a ped header names another ped than the update after it");
            }
            frame_.pedHeaderSlot = -1;
            if (slot <= frame_.lastPedSlot) {
                Warn("ped slots do not increase within a frame");
            }
            frame_.lastPedSlot = slot;
            ++frame_.peds;
            // The player's ped names the pool slot of its vehicle, plus one; this frame's
            // packet of that slot names the model.
            const int vehicle = packet.U8(3);
            if (vehicle != 0 && playerPeds_[static_cast<std::size_t>(slot)] &&
                slotFrames_[static_cast<std::size_t>(vehicle - 1)] == frames_ + 1) {
                playerModels_.Set(slotModels_[static_cast<std::size_t>(vehicle - 1)]);
            }
            break;
        }
        case kMisc:
            frame_.interior = packet.U8(12);
            break;
        case kEndOfFrame:
            Close();
            break;
        default:
            break; // particles and traces carry nothing shown
        }
    }

    /** Adds the frame that just ended to the figures. */
    void Close() {
        ++frames_;
        if (frames_ == 1) {
            first_ = frame_;
        } else if (frame_.timer >= last_.timer) {
            seconds_ += (frame_.timer - last_.timer) / 1000.0;
        } else {
            stepsBack_ = true;
        }
        details_.rcVehicle = details_.rcVehicle || frame_.rc;
        details_.pedsAtOnce = std::max(details_.pedsAtOnce, frame_.peds);
        if (Plausible(frame_.player)) {
            if (lastPosition_) {
                const double step = Distance(*lastPosition_, frame_.player);
                if (step > kLongestStep) {
                    Warn("the player jumps more than 50 m in one frame");
                } else {
                    details_.metres += step;
                }
            }
            lastPosition_ = frame_.player;
            Sample(frame_.player);
        } else {
            Warn("a player position is impossible");
        }
        last_ = frame_;
    }

    /** Keeps every `stride_`-th position; when full, every other one goes and the stride
     *  doubles, so that the samples stay evenly spread over the whole replay. */
    void Sample(const WorldPoint& point) {
        if (positions_++ % stride_ != 0) {
            return;
        }
        if (samples_.size() == kMostSamples) {
            for (std::size_t i = 0; i < kMostSamples / 2; ++i) {
                samples_[i] = samples_[2 * i];
            }
            samples_.resize(kMostSamples / 2);
            stride_ *= 2;
            if ((positions_ - 1) % stride_ != 0) {
                return;
            }
        }
        samples_.push_back({point.x, point.y});
    }

    /** At most kMostPathPoints evenly spaced positions, the first and the last kept, no two
     *  alike in a row. */
    void Thin() {
        if (lastPosition_ && (samples_.empty() || samples_.back()[0] != lastPosition_->x ||
                              samples_.back()[1] != lastPosition_->y)) {
            samples_.push_back({lastPosition_->x, lastPosition_->y});
        }
        if (samples_.empty()) {
            return;
        }
        const std::size_t count = std::min(samples_.size(), kMostPathPoints);
        details_.path.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = count == 1 ? 0 : i * (samples_.size() - 1) / (count - 1);
            if (details_.path.empty() || details_.path.back() != samples_[at]) {
                details_.path.push_back(samples_[at]);
            }
        }
    }

    std::optional<std::array<int, 2>> Clock(const Frame& frame) {
        if (frame.hours > 23 || frame.minutes > 59) {
            Warn("the in-game clock reads an impossible time");
            return std::nullopt;
        }
        return std::array<int, 2>{frame.hours, frame.minutes};
    }

    std::optional<int> Weather(const Frame& frame) {
        if (frame.oldWeather > 5 || frame.newWeather > 5 || !std::isfinite(frame.blend) ||
            frame.blend < 0 || frame.blend > 1) {
            Warn("the weather is none the game knows");
            return std::nullopt;
        }
        return frame.blend < 0.5F ? frame.oldWeather : frame.newWeather;
    }

    void Warn(const std::string& warning) {
        if (std::find(details_.warnings.begin(), details_.warnings.end(), warning) ==
            details_.warnings.end()) {
            details_.warnings.push_back(warning);
        }
    }

    ReplayDetails& details_;
    Frame frame_;   ///< the frame being read
    Frame first_;
    Frame last_;    ///< the last whole frame
    int frames_ = 0;
    double seconds_ = 0;
    bool stepsBack_ = false;
    std::optional<WorldPoint> lastPosition_;
    std::vector<std::array<float, 2>> samples_;
    std::size_t positions_ = 0;
    std::size_t stride_ = 1;
    Bits<65536> models_;
    Bits<65536> playerModels_;
    Bits<256> playerPeds_; ///< pool slots of the player's ped in this buffer
    std::array<std::uint16_t, 256> slotModels_{}; ///< each vehicle slot's model...
    std::array<int, 256> slotFrames_{};           ///< ...in the frame of this number
};

bool StartsWith(std::span<const std::uint8_t> bytes, const char (&header)[9]) {
    return bytes.size() >= kHeaderBytes && std::memcmp(bytes.data(), header, kHeaderBytes) == 0;
}

} // namespace

ReplayReading ReadReplay(std::span<const std::uint8_t> bytes) {
    ReplayReading reading;
    const auto refuse = [&reading](ReplayReading::Kind kind, std::string why) {
        reading.kind = kind;
        reading.why = std::move(why);
        reading.details = {};
        return reading;
    };
    if (StartsWith(bytes, "gta3_7f\0")) {
        return refuse(ReplayReading::Kind::OtherGame, "it is a replay of GTA III");
    }
    if (StartsWith(bytes, "GtaSA29\0")) {
        return refuse(ReplayReading::Kind::OtherGame, "it is a replay of GTA: San Andreas");
    }
    if (!StartsWith(bytes, "gtaVC7f\0")) {
        return refuse(ReplayReading::Kind::NotReplay, "it does not begin as a replay of the game");
    }
    const std::size_t body = bytes.size() - kHeaderBytes;
    if (body == 0 || body % kBufferBytes != 0 || body / kBufferBytes > kMostBuffers) {
        return refuse(ReplayReading::Kind::Damaged,
                      bytes.size() >= kMostReplayBytes
                          ? std::string("it is larger than any replay of the game")
                          : "its size, " + std::to_string(bytes.size()) +
                                " bytes, is not that of 1 to 8 whole buffers");
    }
    Walk walk(reading.details);
    const auto buffers = static_cast<int>(body / kBufferBytes);
    for (int i = 0; i < buffers; ++i) {
        const std::string why = walk.Buffer(
            bytes.subspan(kHeaderBytes + static_cast<std::size_t>(i) * kBufferBytes, kBufferBytes),
            i + 1);
        if (!why.empty()) {
            return refuse(ReplayReading::Kind::Damaged, why);
        }
    }
    walk.Finish();
    reading.details.buffers = buffers;
    if (reading.details.frames == 0) {
        return refuse(ReplayReading::Kind::Damaged, "it holds no complete frame");
    }
    reading.kind = ReplayReading::Kind::Replay;
    return reading;
}

std::string WeatherName(int weather) {
    static constexpr std::array<const char*, 6> kNames = {"Sunny", "Cloudy",      "Rainy",
                                                           "Foggy", "Extra sunny", "Hurricane"};
    return weather >= 0 && weather < static_cast<int>(kNames.size()) ? kNames[weather] : "";
}

} // namespace clipwarden
