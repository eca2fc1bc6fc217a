#pragma once

// Plain stand-ins for the platform services, for the core's unit tests.

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "forms/MainView.h"
#include "forms/Services.h"
#include "platform/Clock.h"
#include "platform/KeyboardHookService.h"
#include "platform/ProcessService.h"
#include "platform/SettingsStore.h"
#include "shell/GameLauncher.h"
#include "shell/ShellFolders.h"

namespace clipwarden::test {

class FakeClock final : public Clock {
public:
    std::string time = "14:03:27";
    std::string date = "06/12/26";
    std::string ddmm = "0612";
    [[nodiscard]] std::string TimeOfDayText() const override { return time; }
    [[nodiscard]] std::string DateTimeText() const override { return date + " " + time; }
    [[nodiscard]] std::string TodayDDMM() const override { return ddmm; }
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
};

class FakeShellFolders final : public ShellFolders {
public:
    std::string documents = "/home/player/Documents";
    std::vector<std::string> answers; ///< picker answers, first first
    std::vector<std::pair<WindowRef, std::string>> asked;
    std::string GetSpecialFolderPath(int folderId) override {
        return folderId == kFolderPersonal ? documents : std::string();
    }
    std::string BrowseForFolder(WindowRef owner, const std::string& title) override {
        asked.emplace_back(owner, title);
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

class FakeHooks final : public KeyboardHookService {
public:
    HookProc proc;
    HookHandle installed = 0;
    std::string why;
    bool available = true;
    std::vector<HookHandle> removed;
    HookHandle Install(HookProc p, std::string& w) override {
        if (!available) {
            w = why.empty() ? std::string("no keys here") : why;
            return 0;
        }
        proc = std::move(p);
        installed = 42;
        return installed;
    }
    void Uninstall(HookHandle hook) override {
        removed.push_back(hook);
        if (hook == installed) {
            proc = nullptr;
            installed = 0;
        }
    }
    /** A key event as the system would deliver it; false when no hook is installed. */
    bool Press(std::uint32_t vk, std::uint32_t flags) {
        if (!proc) {
            return false;
        }
        KeyEvent event;
        event.vkCode = vk;
        event.flags = flags;
        proc(event, [] { return std::intptr_t{7}; });
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

    std::string Bytes(ProcessId id, std::uint64_t address, std::size_t size) {
        std::string out;
        for (std::size_t i = 0; i < size; ++i) {
            out.push_back(static_cast<char>(processes[id].memory[address + i]));
        }
        return out;
    }
};

/** The main window as plain data. */
struct FakeMainView final : MainView {
    std::vector<std::string> log;
    int selectedLine = -1;
    bool timer3 = false;
    std::string status = "Checking if GTA:VC is running...";
    bool option1 = false;
    bool option2 = false;
    std::string replayDirText;
    int optionsShown = 0;

    void AddLogLine(const std::string& line) override {
        log.push_back(line);
        selectedLine = static_cast<int>(log.size()) - 1;
    }
    void SetTimer3Enabled(bool enabled) override { timer3 = enabled; }
    void SetStatusText(const std::string& text) override { status = text; }
    [[nodiscard]] bool IsOption1Selected() const override { return option1; }
    [[nodiscard]] bool IsOption2Selected() const override { return option2; }
    void SetReplayDirText(const std::string& text) override { replayDirText = text; }
    void SelectVersionOption(bool version11) override {
        option1 = !version11;
        option2 = version11;
    }
    WindowRef Handle() override { return 0x51; }
    void ShowOptionsWindow() override { ++optionsShown; }
};

struct FakeOptionsView final : OptionsView {
    std::string gameDirText;
    bool check1 = false;
    std::vector<std::string> messages;
    void SetGameDirText(const std::string& text) override { gameDirText = text; }
    void SetCheck1(bool checked) override { check1 = checked; }
    [[nodiscard]] bool IsCheck1Checked() const override { return check1; }
    WindowRef Handle() override { return 0x52; }
    void ShowStopMessage(const std::string& text) override { messages.push_back(text); }
};

} // namespace clipwarden::test
