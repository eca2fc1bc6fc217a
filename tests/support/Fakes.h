#pragma once

// Plain stand-ins for the platform services, for the core's unit tests.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/notify/GameTextSink.h"
#include "core/ports/Clock.h"
#include "core/ports/FileManager.h"
#include "core/ports/FolderWatch.h"
#include "core/ports/GameLauncher.h"
#include "core/ports/KeySource.h"
#include "core/ports/ProcessService.h"
#include "core/ports/SettingsStore.h"
#include "core/ports/ShellFolders.h"
#include "core/ports/Registry.h"
#include "core/ports/Trash.h"
#include "core/presenters/MainView.h"
#include "core/presenters/OptionsView.h"
#include "core/presenters/Services.h"

namespace clipwarden::test {

class FakeClock final : public Clock {
public:
    std::string time = "14:03:27";
    std::string ddmm = "0612";
    [[nodiscard]] std::string TimeOfDayText() const override { return time; }
    std::int64_t steady = 1'000'000; ///< moved on by the tests
    [[nodiscard]] std::int64_t SteadyMilliseconds() const override { return steady; }
    [[nodiscard]] std::string TodayDDMM() const override { return ddmm; }
    std::int64_t wall = 1'800'000'000LL * 1'000'000'000; ///< now, later than every stamp
    [[nodiscard]] std::int64_t NowNanoseconds() const override { return wall; }
    [[nodiscard]] std::string DateTimeText(std::int64_t nanoseconds) const override {
        return "t" + std::to_string(nanoseconds / 1'000'000'000);
    }
};

class FakeSettingsStore final : public SettingsStore {
public:
    std::map<std::string, std::string> values;
    std::optional<std::string> failWrites;
    int writes = 0;
    std::optional<std::string> Read(const std::string& key) override {
        const auto it = values.find(key);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::string> Write(const std::string& key, const std::string& value) override {
        ++writes;
        if (failWrites) {
            return failWrites;
        }
        values[key] = value;
        return std::nullopt;
    }
    std::optional<std::string> Remove(const std::string& key) override {
        ++writes;
        if (failWrites) {
            return failWrites;
        }
        values.erase(key);
        return std::nullopt;
    }
};

class FakeShellFolders final : public ShellFolders {
public:
    std::string documents = "/home/player/Documents";
    std::string cache; ///< the user's cache folder; "" keeps replay details in memory
    std::vector<std::string> answers; ///< picker answers, first first
    struct Question {
        WindowRef owner = 0;
        std::string title;
        std::string start; ///< the folder the picker opened at
    };
    std::vector<Question> asked;
    std::string GetSpecialFolderPath(int folderId) override {
        return folderId == kFolderPersonal       ? documents
               : folderId == kFolderDetailsCache ? cache
                                                 : std::string();
    }
    std::string refusal; ///< said instead of the next answer
    std::string BrowseForFolder(WindowRef owner, const std::string& title,
                                const std::string& start, std::string& refused) override {
        asked.push_back({owner, title, start});
        refused = refusal;
        if (!refusal.empty()) {
            return {};
        }
        if (answers.empty()) {
            return {};
        }
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

class FakeLauncher final : public GameLauncher {
public:
    std::vector<std::pair<std::string, std::string>> launches;
    std::string answer;
    std::function<void()> onOpen;
    std::string Open(const std::string& executable, const std::string& folder) override {
        launches.emplace_back(executable, folder);
        if (onOpen) {
            onOpen();
        }
        return answer;
    }
};

/** A trash that moves files into its own folder, or refuses with `refusal` when set. */
class FakeTrash final : public Trash {
public:
    std::vector<std::string> trashed;
    std::string refusal;
    /** Asked first for each file: a refusal for that one, or "" to move it. */
    std::function<std::string(const std::string& path)> verdict;
    bool MoveToTrash(const std::string& path, std::string& why) override {
        if (!refusal.empty()) {
            why = refusal;
            return false;
        }
        if (verdict) {
            if (why = verdict(path); !why.empty()) {
                return false;
            }
        }
        if (std::rename(path.c_str(), (path + ".trashed").c_str()) != 0) {
            why = std::strerror(errno);
            return false;
        }
        trashed.push_back(path);
        return true;
    }
};

/** Registry values by "root|view|key|name"; the view "*" stands for both. */
class FakeRegistry final : public Registry {
public:
    std::map<std::string, std::string> values;
    void Set(Root root, const std::string& key, const std::string& name, const std::string& value,
             View view) {
        values[Path(root, key, name, view)] = value;
    }
    std::optional<std::string> ReadText(Root root, const std::string& key, const std::string& name,
                                        View view) override {
        const auto found = values.find(Path(root, key, name, view));
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    static std::string Path(Root root, const std::string& key, const std::string& name, View view) {
        return std::to_string(static_cast<int>(root)) + "|" +
               std::to_string(static_cast<int>(view)) + "|" + key + "|" + name;
    }
};

class FakeFileManager final : public FileManager {
public:
    std::vector<std::string> shown;
    void ShowInFolder(const std::string& path,
                      std::function<void(const std::string&)> done) override {
        shown.push_back(path);
        done({});
    }
};

/** A watch the test drives: it tells what the test says happened. */
class FakeFolderWatch final : public FolderWatch {
public:
    std::string folder;
    std::string refusal; ///< when set, Watch refuses with it
    std::function<void(const FolderChange&)> changed;
    std::string Watch(const std::string& watched,
                      std::function<void(const FolderChange&)> listener) override {
        folder = watched;
        changed = refusal.empty() ? std::move(listener) : nullptr;
        return refusal;
    }
    void Stop() override { changed = nullptr; }
    void Tell(FolderChange::Kind kind, const std::string& name) {
        if (changed) {
            changed(FolderChange{kind, name});
        }
    }
};

class FakeKeys final : public KeySource {
public:
    KeyHandler handler;
    KeySubscription subscribed = 0;
    std::string why;
    bool available = true;
    std::vector<KeySubscription> unsubscribed;
    KeySubscription Subscribe(KeyHandler h, std::string& w) override {
        if (!available) {
            w = why.empty() ? std::string("no keys here") : why;
            return 0;
        }
        handler = std::move(h);
        subscribed = 42;
        return subscribed;
    }
    void Unsubscribe(KeySubscription subscription) override {
        unsubscribed.push_back(subscription);
        if (subscription == subscribed) {
            handler = nullptr;
            subscribed = 0;
        }
    }
    /** A key event as the system would deliver it; false when nobody listens. */
    bool Key(clipwarden::Key key, bool pressed, bool altHeld = false, bool injected = false) {
        if (!handler) {
            return false;
        }
        handler(KeyEvent{key, pressed, altHeld, injected});
        return true;
    }
};

/** Game processes with byte-addressed memory; handles are counted so leaks show. */
class FakeProcesses final : public ProcessService {
public:
    struct Process {
        std::string name;
        bool refuse = false;
        std::map<std::uint64_t, unsigned char> memory;
        bool zombie = false;
        std::set<std::uint64_t> unreadable = {}; ///< addresses a read fails at
    };
    std::map<ProcessId, Process> processes; ///< in id order, as the system lists them
    std::map<ProcessHandle, ProcessId> open;
    ProcessHandle nextHandle = 100;
    int snapshots = 0;

    std::vector<ProcessEntry> Snapshot() override {
        ++snapshots;
        std::vector<ProcessEntry> entries;
        for (const auto& [id, p] : processes) {
            entries.push_back({id, p.name});
        }
        return entries;
    }
    bool IsAlive(ProcessId id) override {
        const auto it = processes.find(id);
        return it != processes.end() && !it->second.zombie;
    }
    ProcessHandle Open(ProcessId id, OpenFailure& failure) override {
        const auto it = processes.find(id);
        if (it == processes.end()) {
            failure = OpenFailure::NotFound;
            return 0;
        }
        if (it->second.refuse) {
            failure = OpenFailure::Refused;
            return 0;
        }
        failure = OpenFailure::None;
        open[++nextHandle] = id;
        return nextHandle;
    }
    Process* Target(ProcessHandle h) {
        const auto it = open.find(h);
        if (it == open.end()) {
            return nullptr;
        }
        const auto p = processes.find(it->second);
        return p == processes.end() ? nullptr : &p->second;
    }
    std::size_t Read(ProcessHandle h, std::uint64_t address, std::span<std::byte> buffer) override {
        Process* p = Target(h);
        if (p == nullptr) {
            return 0;
        }
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            if (p->unreadable.count(address + i) != 0) {
                return 0;
            }
            buffer[i] = std::byte{p->memory[address + i]};
        }
        return buffer.size();
    }
    std::size_t Write(ProcessHandle h, std::uint64_t address,
                      std::span<const std::byte> bytes) override {
        Process* p = Target(h);
        if (p == nullptr) {
            return 0;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            p->memory[address + i] = std::to_integer<unsigned char>(bytes[i]);
        }
        return bytes.size();
    }
    void Close(ProcessHandle h) override { open.erase(h); }

    /** Gives a process the executable signature `signature` at 0x61C11C (little-endian), or
     *  makes that place unreadable when there is none. */
    void Sign(ProcessId id, std::optional<std::uint32_t> signature) {
        constexpr std::uint64_t kAt = 0x61C11C;
        Process& process = processes[id];
        for (std::uint64_t i = 0; i < 4; ++i) {
            if (signature) {
                process.memory[kAt + i] = static_cast<unsigned char>(*signature >> (8 * i));
                process.unreadable.erase(kAt + i);
            } else {
                process.unreadable.insert(kAt + i);
            }
        }
    }

    std::string Bytes(ProcessId id, std::uint64_t address, std::size_t size) {
        std::string out;
        for (std::size_t i = 0; i < size; ++i) {
            out.push_back(static_cast<char>(processes[id].memory[address + i]));
        }
        return out;
    }
};

/** A log without the lines that name the game's version, which every attach adds. */
inline std::vector<std::string> WithoutVersionLines(const std::vector<std::string>& log) {
    std::vector<std::string> events;
    for (const auto& line : log) {
        if (line.find(" recognised.") == std::string::npos) {
            events.push_back(line);
        }
    }
    return events;
}

/** Game texts as they were handed over for display. */
struct FakeGameText final : GameTextSink {
    std::vector<std::string> shown;
    void Show(const std::string& text) override { shown.push_back(text); }
};

/** The main window as plain data. */
struct FakeMainView final : MainView {
    std::vector<std::string> log;
    int selectedLine = -1;
    bool gameTextTimer = false;
    int recheckIn = 0; ///< the last re-check asked for, in milliseconds
    std::string status = "Checking if GTA:VC is running...";
    std::optional<GameVersion> version;
    std::string replayFolder;
    int optionsShown = 0;
    std::vector<std::string> questions;
    bool answer = true;
    bool Confirm(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }

    void AddLogLine(const std::string& line) override {
        log.push_back(line);
        selectedLine = static_cast<int>(log.size()) - 1;
    }
    void RunGameTextTimer(bool running) override { gameTextTimer = running; }
    void RecheckCaptureIn(int milliseconds) override { recheckIn = milliseconds; }
    /** With `holdAside`, work handed aside waits until the test runs it: a copy in flight. */
    bool holdAside = false;
    std::vector<std::pair<std::function<void()>, std::function<void()>>> aside;
    void RunAside(std::function<void()> work, std::function<void()> done) override {
        if (!holdAside) {
            work();
            done();
            return;
        }
        aside.emplace_back(std::move(work), std::move(done));
    }
    void SetStatusText(const std::string& text) override { status = text; }
    void ShowReplayFolder(const std::string& folder) override { replayFolder = folder; }
    void ShowVersion(GameVersion shown) override { version = shown; }
    WindowRef Handle() override { return 0x51; }
    void ShowOptionsWindow() override { ++optionsShown; }
};

struct FakeOptionsView final : OptionsView {
    std::string gameFolder;
    bool autorun = false;
    std::vector<std::string> messages;
    void ShowGameFolder(const std::string& folder) override { gameFolder = folder; }
    void ShowAutorun(bool on) override { autorun = on; }
    WindowRef Handle() override { return 0x52; }
    void ShowStopMessage(const std::string& text) override { messages.push_back(text); }
};

} // namespace clipwarden::test
