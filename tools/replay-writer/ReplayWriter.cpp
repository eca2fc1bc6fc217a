#include "ReplayWriter.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

namespace clipwarden::replaywriter {

namespace {

constexpr std::size_t kBufferBytes = 100'000;
constexpr std::size_t kMostBuffers = 8;
constexpr std::size_t kFrameLimit = kBufferBytes - 16;         ///< a frame and an end byte end by here
constexpr std::size_t kParticleLimit = kBufferBytes - 16 - 20; ///< a particle starts at most here

/** The ring of buffers as the recorder fills it. */
class Recorder {
public:
    Recorder() { NewBuffer(); }

    /** Ends this buffer and starts the next; false when all eight are used. */
    bool NextBuffer() {
        if (buffers_.size() == kMostBuffers) {
            return false;
        }
        buffers_.back()[at_] = 0; // the end byte
        NewBuffer();
        return true;
    }

    /** Whether a ped slot already has its header in this buffer. */
    bool Introduced(int slot) const { return introduced_[static_cast<std::size_t>(slot) % 256]; }
    void Introduce(int slot) { introduced_[static_cast<std::size_t>(slot) % 256] = true; }

    /** A packet of `size` bytes of type `type` at the current offset; its fields are set
     *  through the returned pointer, everything else stays stale. */
    std::uint8_t* Packet(std::uint8_t type, std::size_t size) {
        std::uint8_t* packet = buffers_.back().data() + at_;
        packet[0] = type;
        at_ += size;
        return packet;
    }

    [[nodiscard]] std::size_t offset() const { return at_; }
    [[nodiscard]] std::size_t buffers() const { return buffers_.size(); }

    std::vector<std::uint8_t> Finish() {
        buffers_.back()[at_] = 0;
        std::vector<std::uint8_t> file = {'g', 't', 'a', 'V', 'C', '7', 'f', 0};
        for (const auto& buffer : buffers_) {
            file.insert(file.end(), buffer.begin(), buffer.end());
        }
        return file;
    }

private:
    void NewBuffer() {
        // Stale memory: what an earlier lap left, packet-like bytes included.
        std::vector<std::uint8_t> buffer(kBufferBytes);
        for (auto& byte : buffer) {
            stale_ = stale_ * 1103515245U + 12345U;
            byte = static_cast<std::uint8_t>(stale_ >> 16);
        }
        buffers_.push_back(std::move(buffer));
        at_ = 0;
        introduced_.fill(false);
    }

    std::vector<std::vector<std::uint8_t>> buffers_;
    std::size_t at_ = 0;
    std::array<bool, 256> introduced_{};
    std::uint32_t stale_ = 20061012;
};

void PutU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void PutF32(std::uint8_t* at, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(at, bits);
}

void PutPoint(std::uint8_t* at, const Point& point) {
    PutF32(at, point.x);
    PutF32(at + 4, point.y);
    PutF32(at + 8, point.z);
}

/** The player's position at frame `frame`: the waypoints met evenly in turn. */
Point PlayerAt(const ScriptedDrive& drive, int frame) {
    if (drive.waypoints.empty()) {
        return {};
    }
    if (drive.waypoints.size() == 1 || drive.frames <= 1) {
        return drive.waypoints.front();
    }
    const double along = static_cast<double>(frame) / (drive.frames - 1) *
                         static_cast<double>(drive.waypoints.size() - 1);
    const auto leg = std::min(static_cast<std::size_t>(along), drive.waypoints.size() - 2);
    const double t = along - static_cast<double>(leg);
    const Point& a = drive.waypoints[leg];
    const Point& b = drive.waypoints[leg + 1];
    return {static_cast<float>(a.x + (b.x - a.x) * t), static_cast<float>(a.y + (b.y - a.y) * t),
            static_cast<float>(a.z + (b.z - a.z) * t)};
}

constexpr std::size_t kVehicleBytes = 52;
constexpr std::size_t kBikeBytes = 44;
constexpr std::size_t kPedHeaderBytes = 8;
constexpr std::size_t kPedUpdateBytes = 44;
constexpr std::size_t kParticleBytes = 20;
constexpr int kPlayerPedSlot = 1;

std::size_t FrameBytes(const ScriptedDrive& drive, const Recorder& recorder) {
    std::size_t bytes = 88 + 4 + 8 + 8 + 16 + 4;
    for (const auto& vehicle : drive.vehicles) {
        bytes += vehicle.bike ? kBikeBytes : kVehicleBytes;
    }
    for (int ped = 0; ped <= drive.otherPeds; ++ped) {
        bytes += kPedUpdateBytes +
                 (recorder.Introduced(kPlayerPedSlot + ped) ? 0 : kPedHeaderBytes);
    }
    return bytes + 1; // room for the end byte
}

} // namespace

std::vector<std::uint8_t> BuildReplay(const ScriptedDrive& drive) {
    Recorder recorder;
    // Particles enough between frames to spread the frames over the buffers asked for.
    int particles = drive.particlesBetweenFrames;
    if (drive.leastBuffers > 1 && drive.frames > 0) {
        const Recorder empty;
        const std::size_t frameBytes = FrameBytes(drive, empty);
        const std::size_t wanted =
            (static_cast<std::size_t>(std::min<int>(drive.leastBuffers, kMostBuffers)) - 1) *
                kBufferBytes + 2000;
        const std::size_t plain = frameBytes * static_cast<std::size_t>(drive.frames);
        if (wanted > plain) {
            particles += static_cast<int>((wanted - plain) / (kParticleBytes *
                                          static_cast<std::size_t>(drive.frames)) + 1);
        }
    }
    for (int frame = 0; frame < drive.frames; ++frame) {
        for (int i = 0; i < particles; ++i) {
            if (recorder.offset() > kParticleLimit && !recorder.NextBuffer()) {
                return recorder.Finish();
            }
            std::uint8_t* particle = recorder.Packet(11, kParticleBytes);
            particle[1] = static_cast<std::uint8_t>(i % 40);
            PutF32(particle + 16, 0.5F);
        }
        if (recorder.offset() + FrameBytes(drive, recorder) > kFrameLimit &&
            !recorder.NextBuffer()) {
            return recorder.Finish(); // the ring is full: the drive ends here
        }
        const Point player = PlayerAt(drive, frame);
        std::uint8_t* general = recorder.Packet(5, 88);
        general[1] = drive.rc ? 1 : 0;
        for (int i = 0; i < 12; ++i) {
            PutF32(general + 4 + 4 * i, i % 5 == 0 ? 1.0F : 0.0F);
        }
        PutPoint(general + 52, {player.x - 5, player.y - 5, player.z + 3});
        PutPoint(general + 76, player);

        const int minutes = drive.hours * 60 + drive.minutes + frame * drive.minutesPerFrame;
        std::uint8_t* clock = recorder.Packet(6, 4);
        clock[1] = static_cast<std::uint8_t>(drive.hours > 23 ? drive.hours : minutes / 60 % 24);
        clock[2] = static_cast<std::uint8_t>(drive.minutes > 59 ? drive.minutes : minutes % 60);
        std::uint8_t* weather = recorder.Packet(7, 8);
        weather[1] = static_cast<std::uint8_t>(drive.oldWeather);
        weather[2] = static_cast<std::uint8_t>(drive.newWeather);
        PutF32(weather + 4, drive.blend);
        std::uint8_t* timer = recorder.Packet(9, 8);
        PutU32(timer + 4, drive.firstTimer +
                              static_cast<std::uint32_t>(frame) * drive.frameMilliseconds);

        for (std::size_t i = 0; i < drive.vehicles.size(); ++i) {
            const ScriptedVehicle& vehicle = drive.vehicles[i];
            std::uint8_t* packet =
                recorder.Packet(vehicle.bike ? 2 : 1, vehicle.bike ? kBikeBytes : kVehicleBytes);
            packet[1] = static_cast<std::uint8_t>(vehicle.slot);
            packet[2] = 250;
            const bool driven = static_cast<int>(i) == drive.playerVehicle;
            PutPoint(packet + 4, driven ? player
                                        : Point{player.x + 10.0F * static_cast<float>(i + 1),
                                                player.y, player.z});
            PutU16(packet + 26, vehicle.model);
            if (!vehicle.bike) {
                packet[49] = 0;
            }
        }
        for (int ped = 0; ped <= drive.otherPeds; ++ped) {
            const int slot = kPlayerPedSlot + ped;
            if (!recorder.Introduced(slot)) {
                std::uint8_t* header = recorder.Packet(3, kPedHeaderBytes);
                header[1] = static_cast<std::uint8_t>(slot);
                PutU16(header + 2, ped == 0 ? 0 : static_cast<std::uint16_t>(9 + ped));
                header[4] = ped == 0 ? 0 : 4;
                recorder.Introduce(slot);
            }
            std::uint8_t* update = recorder.Packet(4, kPedUpdateBytes);
            update[1] = static_cast<std::uint8_t>(slot);
            const bool inVehicle = ped == 0 && drive.playerVehicle >= 0 &&
                                   drive.playerVehicle < static_cast<int>(drive.vehicles.size());
            update[3] = inVehicle
                            ? static_cast<std::uint8_t>(
                                  drive.vehicles[static_cast<std::size_t>(drive.playerVehicle)]
                                      .slot + 1)
                            : 0;
            PutPoint(update + 20, ped == 0 ? player
                                           : Point{player.x, player.y + 3.0F * static_cast<float>(ped),
                                                   player.z});
            PutU16(update + 40, 0xFFFF);
            update[43] = 1;
        }
        std::uint8_t* misc = recorder.Packet(12, 16);
        misc[12] = static_cast<std::uint8_t>(drive.interior);
        misc[13] = 0;
        recorder.Packet(8, 4);
    }
    return recorder.Finish();
}

bool WriteGameFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                   WritePace pace) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const auto pause = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(pace.pauseMilliseconds));
    };
    // The C runtime's buffer of 4,096 bytes: the file grows in 4,096-byte pieces, and its size
    // is that of a whole replay only once it is closed.
    bool ok = std::setvbuf(file, nullptr, _IOFBF, 4096) == 0;
    const std::size_t header = std::min<std::size_t>(8, bytes.size());
    ok = ok && std::fwrite(bytes.data(), 1, header, file) == header;
    const std::size_t half = header + (bytes.size() - header) / 2;
    for (std::size_t at = header; ok && at < bytes.size(); at += kBufferBytes) {
        const std::size_t size = std::min(kBufferBytes, bytes.size() - at);
        if (pace.wholeBuffers) {
            ok = std::fflush(file) == 0 && std::fwrite(bytes.data() + at, 1, size, file) == size &&
                 std::fflush(file) == 0;
            if (ok && at + size < bytes.size() && pace.pauseMilliseconds > 0) {
                pause();
            }
        } else if (half > at && half <= at + size && pace.pauseMilliseconds > 0) {
            ok = std::fwrite(bytes.data() + at, 1, half - at, file) == half - at;
            pause();
            ok = ok && std::fwrite(bytes.data() + half, 1, at + size - half, file) == at + size - half;
        } else {
            ok = std::fwrite(bytes.data() + at, 1, size, file) == size;
        }
    }
    return std::fclose(file) == 0 && ok;
}

std::string BuildZoneFile(const std::vector<ScriptedZone>& zones) {
    std::string text = "# navigation zones\nzone\n";
    char line[256];
    for (const auto& zone : zones) {
        std::snprintf(line, sizeof line, "%s, %d, %.1f, %.1f, %.1f, %.1f, %.1f, %.1f, %d\n",
                      zone.label.c_str(), zone.type, zone.from.x, zone.from.y, zone.from.z,
                      zone.to.x, zone.to.y, zone.to.z, zone.level);
        text += line;
    }
    return text + "end\n";
}

namespace {

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void AppendName8(std::vector<std::uint8_t>& out, const std::string& name) {
    for (std::size_t i = 0; i < 8; ++i) {
        out.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : 0);
    }
}

/** A table's TKEY and TDAT blocks. */
std::vector<std::uint8_t> TableBlocks(const std::map<std::string, std::string>& texts) {
    std::vector<std::uint8_t> keys;
    std::vector<std::uint8_t> data;
    for (const auto& [key, text] : texts) {
        AppendU32(keys, static_cast<std::uint32_t>(data.size()));
        AppendName8(keys, key);
        for (const char c : text) {
            data.push_back(static_cast<std::uint8_t>(c));
            data.push_back(0);
        }
        data.push_back(0);
        data.push_back(0);
    }
    std::vector<std::uint8_t> out = {'T', 'K', 'E', 'Y'};
    AppendU32(out, static_cast<std::uint32_t>(keys.size()));
    out.insert(out.end(), keys.begin(), keys.end());
    out.insert(out.end(), {'T', 'D', 'A', 'T'});
    AppendU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

} // namespace

std::vector<std::uint8_t> BuildTextFile(const std::map<std::string, std::string>& texts) {
    const std::vector<std::uint8_t> main = TableBlocks(texts);
    std::vector<std::uint8_t> mission = {'M', 'I', 'S', '1', 0, 0, 0, 0};
    const auto missionBlocks = TableBlocks({{"MIS1_A", "Go to the docks."}});
    mission.insert(mission.end(), missionBlocks.begin(), missionBlocks.end());

    const std::uint32_t mainAt = 8 + 2 * 12;
    std::vector<std::uint8_t> file = {'T', 'A', 'B', 'L'};
    AppendU32(file, 2 * 12);
    AppendName8(file, "MAIN");
    AppendU32(file, mainAt);
    AppendName8(file, "MIS1");
    AppendU32(file, mainAt + static_cast<std::uint32_t>(main.size()));
    file.insert(file.end(), main.begin(), main.end());
    file.insert(file.end(), mission.begin(), mission.end());
    return file;
}

std::string BuildModelFile(const std::map<int, std::string>& vehicleKeys) {
    std::string text = "# models\nobjs\n600, lamppost, generic, 1, 100, 0\nend\ncars\n";
    for (const auto& [id, key] : vehicleKeys) {
        text += std::to_string(id) + ", car" + std::to_string(id) + ", car" + std::to_string(id) +
                ", car, CAR" + std::to_string(id) + ", " + key +
                ", null, normal, 10, 7, 0, 250, 0.7\n";
    }
    return text + "end\n";
}

} // namespace clipwarden::replaywriter
