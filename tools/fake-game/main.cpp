// A stand-in for GTA:VC: a real process named gta-vc.exe whose memory holds, at the game's
// addresses, the playback flag, the two message flags and the three message texts. Driven by
// commands on standard input, one per line; every command answers with lines ending in "ok".
//
//   record <folder> [size]    write a new recording to <folder>/replay.rep
//   playback <value>          set the playback flag byte
//   show [1.0|1.1] [raw]      print the flags and texts at that version's addresses
//   exit                      end the process
// The Windows build also answers, about the window titled "Clipwarden" of the same desktop:
//   window-text <id>          print the text of its control <id>
//   window-check <id>         print 1 when its button <id> is checked, else 0

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "GameMemory.h"
#include "core/Text.h"
#include "core/game/GameMemoryLayout.h"

using namespace clipwarden;

namespace {

unsigned char* At(std::uint64_t address) {
    return reinterpret_cast<unsigned char*>(static_cast<std::uintptr_t>(address));
}

// The text as the game reads it: 16-bit characters up to the first 0x2020 fill or 0.
std::string Decode(const unsigned char* block) {
    std::u32string text;
    for (std::size_t i = 0; i + 1 < kMessageTextBytes; i += 2) {
        const unsigned code = block[i] | (block[i + 1] << 8);
        if (code == 0x2020 || code == 0) {
            break;
        }
        text.push_back(static_cast<char32_t>(code));
    }
    return EncodeUtf8(text);
}

std::string Hex(const unsigned char* bytes, std::size_t size) {
    std::string out;
    char two[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(two, sizeof(two), "%02x", bytes[i]);
        out += two;
    }
    return out;
}

void Record(const std::string& folder, std::size_t size, std::mt19937& random) {
    static unsigned counter = 0;
    std::string data(size, '\0');
    for (char& c : data) {
        c = static_cast<char>(random());
    }
    const std::string header = "GTAVC-REPLAY " + std::to_string(++counter) + " ";
    data.replace(0, std::min(header.size(), data.size()), header.substr(0, data.size()));
    std::ofstream file(folder + "/replay.rep", std::ios::binary | std::ios::trunc);
    file.write(data.data(), static_cast<std::streamsize>(data.size()));
    file.close();
    std::cout << (file ? "recorded " + std::to_string(counter) : std::string("record failed"))
              << '\n';
}

void Show(bool version10, bool raw) {
    const std::int64_t shift = MessageShift(version10 ? GameVersion::V1_0 : GameVersion::V1_1);
    const auto shifted = [shift](std::uint64_t a) {
        return At(static_cast<std::uint64_t>(static_cast<std::int64_t>(a) + shift));
    };
    std::printf("flag1=%02x flag2=%02x playback=%02x\n", *shifted(kMessageFlag1),
                *shifted(kMessageFlag2), *At(kPlaybackFlag));
    for (std::size_t i = 0; i < kMessageTexts.size(); ++i) {
        const unsigned char* block = shifted(kMessageTexts[i]);
        std::printf("text%zu=%s\n", i + 1,
                    raw ? Hex(block, kMessageTextBytes).c_str() : Decode(block).c_str());
    }
}

} // namespace

int main() {
    if (!ProvideGameMemory()) {
        return 1;
    }
    std::mt19937 random(CurrentProcessId());
    std::cout << "ready " << CurrentProcessId() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command == "record") {
            std::string folder;
            std::size_t size = 4096;
            in >> std::quoted(folder) >> size;
            Record(folder, size, random);
        } else if (command == "playback") {
            int value = 0;
            in >> value;
            *At(kPlaybackFlag) = static_cast<unsigned char>(value);
        } else if (command == "show") {
            bool version10 = false;
            bool raw = false;
            std::string word;
            while (in >> word) {
                version10 = version10 || word == "1.0";
                raw = raw || word == "raw";
            }
            Show(version10, raw);
        } else if (command == "window-text" || command == "window-check") {
            int id = 0;
            in >> id;
            std::cout << (command == "window-text" ? MainWindowControlText(id)
                                                   : MainWindowButtonChecked(id))
                      << '\n';
        } else if (command == "exit") {
            std::cout << "ok" << std::endl;
            return 0;
        } else if (!command.empty()) {
            std::cout << "unknown command " << command << '\n';
        }
        std::cout << "ok" << std::endl;
    }
    return 0;
}
