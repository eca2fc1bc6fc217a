// A stand-in for GTA:VC: a real process named gta-vc.exe whose memory holds, at the game's
// addresses, the playback flag, the two message flags and the three message texts. Driven by
// commands on standard input, one per line; every command answers with lines ending in "ok".
//
//   gta-vc.exe [--version 1.0|1.1|steam|steam-packed|none|<hex>]   (1.1 when not given)
//              [--name <task name>]     start under another name (Linux)
//
//   record <folder> [size]    write a new recording to <folder>/replay.rep
//   replay <folder> [word...] write replay.rep in the game's own format, as the game does,
//                             from a scripted drive: buffers=N frames=N clock=HH:MM
//                             weather=OLD,NEW from=X,Y to=X,Y vehicles=ID,ID... drive=INDEX
//                             interior=N rc, or damaged (a body the game would hang on);
//                             pause=MS pauses halfway while the file is open, and with
//                             whole-buffers between buffers written whole
//   copy <from> <to>          copy a file and print "copied N us", the time it took here
//   playback <value>          set the playback flag byte at this version's address
//   signature <version|hex>   change the executable's signature, as the packed Steam one does
//   show [1.0|1.1|steam] [raw]  print the flags and texts at that version's addresses
//                             (those of the running version when not given)
//   name <task name>          take another name, as Wine renames its process (Linux)
//   exit                      end the process
// The Windows build also answers, about the window titled "Clipwarden" of the same desktop:
//   window-text <id>          print the text of its control <id>
//   window-check <id>         print 1 when its button <id> is checked, else 0
// and about the window titled "Clipwarden Library":
//   library-text <id>         print the text of its control <id>, lines joined by " | "
//   library-set <id> <text>   give the control a text, as typing it would

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "GameMemory.h"
#include "ReplayWriter.h"
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

std::vector<float> Numbers(const std::string& text) {
    std::vector<float> numbers;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        numbers.push_back(std::stof(item));
    }
    return numbers;
}

/** `replay`: a drive scripted by words such as buffers=3 or vehicles=159,135. */
void WriteScriptedReplay(const std::string& folder, std::istringstream& words) {
    replaywriter::ScriptedDrive drive;
    drive.waypoints = {{220, -1270, 10}, {400, -300, 10}};
    bool damaged = false;
    replaywriter::WritePace pace;
    std::string word;
    while (words >> word) {
        const auto equals = word.find('=');
        const std::string key = word.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
        const std::vector<float> numbers =
            value.empty() || key == "clock" ? std::vector<float>() : Numbers(value);
        if (key == "buffers" && !numbers.empty()) {
            drive.leastBuffers = static_cast<int>(numbers[0]);
        } else if (key == "frames" && !numbers.empty()) {
            drive.frames = static_cast<int>(numbers[0]);
        } else if (key == "clock" && value.size() == 5) {
            drive.hours = std::stoi(value.substr(0, 2));
            drive.minutes = std::stoi(value.substr(3, 2));
        } else if (key == "weather" && numbers.size() == 2) {
            drive.oldWeather = static_cast<int>(numbers[0]);
            drive.newWeather = static_cast<int>(numbers[1]);
        } else if (key == "from" && numbers.size() == 2) {
            drive.waypoints.front() = {numbers[0], numbers[1], 10};
        } else if (key == "to" && numbers.size() == 2) {
            drive.waypoints.back() = {numbers[0], numbers[1], 10};
        } else if (key == "vehicles") {
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                drive.vehicles.push_back({static_cast<int>(i) * 3 + 2,
                                          static_cast<std::uint16_t>(numbers[i]), false});
            }
        } else if (key == "drive" && !numbers.empty()) {
            drive.playerVehicle = static_cast<int>(numbers[0]);
        } else if (key == "interior" && !numbers.empty()) {
            drive.interior = static_cast<int>(numbers[0]);
        } else if (key == "rc") {
            drive.rc = true;
        } else if (key == "damaged") {
            damaged = true;
        } else if (key == "pause" && !numbers.empty()) {
            pace.pauseMilliseconds = static_cast<int>(numbers[0]);
        } else if (key == "whole-buffers") {
            pace.wholeBuffers = true;
        }
    }
    std::vector<std::uint8_t> bytes = replaywriter::BuildReplay(drive);
    if (damaged) {
        bytes[8] = 0xEE; // a packet type the game does not know, where its first frame starts
    }
    const bool written = replaywriter::WriteGameFile(folder + "/replay.rep", bytes, pace);
    std::cout << (written ? "replay written " + std::to_string(bytes.size()) : "replay failed")
              << '\n';
}

const GameLayout* LayoutNamed(const std::string& name) {
    if (name == "1.0") {
        return &kLayout10;
    }
    if (name == "1.1") {
        return &kLayout11;
    }
    if (name == "steam") {
        return &kLayoutSteam;
    }
    return nullptr;
}

/** The signature value of a version name or a hex number; false for "none". */
bool SignatureNamed(const std::string& name, std::uint32_t& value) {
    if (name == "none") {
        return false;
    }
    if (name == "steam-packed") {
        value = kSignatureSteamPacked;
    } else if (name == "1.0") {
        value = kSignature10;
    } else if (name == "1.1") {
        value = kSignature11;
    } else if (name == "steam") {
        value = kSignatureSteam;
    } else {
        value = static_cast<std::uint32_t>(std::stoul(name, nullptr, 16));
    }
    return true;
}

void WriteSignature(std::uint32_t value) {
    std::memcpy(At(kSignatureAddress), &value, sizeof(value)); // little-endian, as the game
}

void Show(const GameLayout& layout, bool raw) {
    std::printf("flag1=%02x flag2=%02x playback=%02x\n", *At(layout.messageFlag1),
                *At(layout.messageFlag2), *At(layout.playbackFlag));
    for (std::size_t i = 0; i < layout.messageTexts.size(); ++i) {
        const unsigned char* block = At(layout.messageTexts[i]);
        std::printf("text%zu=%s\n", i + 1,
                    raw ? Hex(block, kMessageTextBytes).c_str() : Decode(block).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string version = "1.1";
    std::string taskName;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--version") {
            version = argv[i + 1];
        } else if (std::string(argv[i]) == "--name") {
            taskName = argv[i + 1];
        }
    }
    std::uint32_t signature = 0;
    const bool hasSignature = SignatureNamed(version, signature);
    if (!ProvideGameMemory(hasSignature)) {
        return 1;
    }
    if (hasSignature) {
        WriteSignature(signature);
    }
    if (!taskName.empty()) {
        NameProcess(taskName);
    }
    // What "playback" and a bare "show" use: this version's layout (1.1 for any other).
    const GameLayout* running = LayoutNamed(version);
    if (running == nullptr) {
        running = version == "steam-packed" ? &kLayoutSteam : &kLayout11;
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
        } else if (command == "replay") {
            std::string folder;
            in >> std::quoted(folder);
            WriteScriptedReplay(folder, in);
        } else if (command == "copy") {
            std::string from;
            std::string to;
            in >> std::quoted(from) >> std::quoted(to);
            const auto start = std::chrono::steady_clock::now();
            std::ifstream source(from, std::ios::binary);
            std::ofstream target(to, std::ios::binary | std::ios::trunc);
            target << source.rdbuf();
            target.close();
            const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - start);
            std::cout << "copied " << took.count() << " us\n";
        } else if (command == "playback") {
            int value = 0;
            in >> value;
            *At(running->playbackFlag) = static_cast<unsigned char>(value);
        } else if (command == "name") {
            std::string newName;
            in >> newName;
            NameProcess(newName);
        } else if (command == "signature") {
            std::string name;
            in >> name;
            std::uint32_t value = 0;
            if (hasSignature && SignatureNamed(name, value)) {
                WriteSignature(value);
                if (const GameLayout* layout = LayoutNamed(name)) {
                    running = layout;
                }
            }
        } else if (command == "show") {
            const GameLayout* layout = running;
            bool raw = false;
            std::string word;
            while (in >> word) {
                if (const GameLayout* named = LayoutNamed(word)) {
                    layout = named;
                }
                raw = raw || word == "raw";
            }
            Show(*layout, raw);
        } else if (command == "window-text" || command == "window-check") {
            int id = 0;
            in >> id;
            std::cout << (command == "window-text" ? MainWindowControlText(id)
                                                   : MainWindowButtonChecked(id))
                      << '\n';
        } else if (command == "library-text") {
            int id = 0;
            in >> id;
            std::cout << LibraryControlText(id) << '\n';
        } else if (command == "library-set") {
            int id = 0;
            in >> id;
            std::string text;
            std::getline(in >> std::ws, text);
            SetLibraryControlText(id, text);
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
