// The Win32 backends under Wine: files, the registry, the process list and key records.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/ports/Clock.h"
#include "core/ports/FileSystem.h"
#include "core/ports/ProcessService.h"
#include "core/ports/SingleInstance.h"
#include "core/ports/Trash.h"
#include "core/replays/Housekeeping.h"
#include "core/settings/Settings.h"
#include "platform/win32/AnsiText.h"
#include "platform/win32/CommandRunner.h"
#include "platform/win32/RegistrySettingsStore.h"
#include "platform/win32/Win32KeySource.h"

namespace clipwarden::test {
namespace {

struct WinFolder {
    std::string path;
    WinFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path = std::string(base) + "clipwarden-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(GetTickCount());
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~WinFolder() {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string file = path + "\\" + data.cFileName;
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveDirectoryA(file.c_str());
                } else {
                    DeleteFileA(file.c_str());
                }
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(path.c_str());
    }
    WinFolder(const WinFolder&) = delete;
    WinFolder& operator=(const WinFolder&) = delete;
    WinFolder(WinFolder&&) = delete;
    WinFolder& operator=(WinFolder&&) = delete;
    [[nodiscard]] std::string operator/(const std::string& name) const {
        return path + "\\" + name;
    }
};

void Write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Win32Files, ListsOrdinaryFilesMatchingIgnoringCase) {
    WinFolder dir;
    const auto files = CreateFileSystem();
    for (const char* name : {"b.rep", "A.REP", "notes.txt", "hidden.rep", "system.rep"}) {
        Write(dir / name, name);
    }
    SetFileAttributesA((dir / "hidden.rep").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((dir / "system.rep").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA((dir / "folder.rep").c_str(), nullptr);
    std::error_code error;
    auto names = files->ListFiles(dir / "*.rep", error);
    ASSERT_FALSE(error);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A.REP", "b.rep"}));
    EXPECT_TRUE(files->ListFiles(dir / "*.none", error).empty());
    EXPECT_FALSE(error) << "no match is not an error";
    files->ListFiles(dir / "missing\\*.rep", error);
    EXPECT_TRUE(error);
    EXPECT_FALSE(files->Describe(error).empty());
    EXPECT_EQ(files->Join("C:\\x", "y.rep"), "C:\\x\\y.rep");
    EXPECT_EQ(files->Join("", "gta-vc.exe"), "\\gta-vc.exe");
}

TEST(Win32Files, ANameOutsideTheCodePageIsListedReadAndCopiedAsItself) {
    WinFolder dir;
    const auto files = CreateFileSystem();
    const std::string name = "replay \xe6\x97\xa5\xe6\x9c\xac.rep"; // CJK: no code page letter
    const std::wstring wide = ToWide(dir / name);
    HANDLE made = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(made, "jump", 4, &written, nullptr);
    CloseHandle(made);
    std::error_code error;
    EXPECT_EQ(files->ListFiles(dir / "*.rep", error), std::vector<std::string>{name});
    const auto stamp = files->Stamp(dir / name, error);
    ASSERT_TRUE(stamp) << files->Describe(error);
    EXPECT_EQ(stamp->size, 4U);
    const std::string copy = files->CopyToTemporary(dir / name, dir / "copy.rep", error);
    ASSERT_FALSE(copy.empty()) << files->Describe(error);
    EXPECT_TRUE(files->CommitTemporary(copy, dir / "copy.rep", false, error));
    EXPECT_TRUE(files->SameContents(dir / name, dir / "copy.rep", error));
    // The library's label file goes through the same calls.
    const std::string label = files->WriteTemporary(dir / "clipwarden-library.json", "{}", error);
    ASSERT_FALSE(label.empty());
    EXPECT_TRUE(files->CommitTemporary(label, dir / "clipwarden-library.json", true, error));
    EXPECT_EQ(files->ReadSmallFile(dir / "clipwarden-library.json", 100, error), "{}");
    // A replay written into the slot takes the stored replay's time, to the 100 ns FILETIME holds.
    const std::string slot = files->WriteTemporary(dir / "slot.rep", "jump", error);
    ASSERT_FALSE(slot.empty());
    EXPECT_TRUE(files->SetModified(slot, stamp->modified, error)) << files->Describe(error);
    EXPECT_TRUE(files->CommitTemporary(slot, dir / "slot.rep", true, error));
    EXPECT_EQ(files->Stamp(dir / "slot.rep", error)->modified, stamp->modified);
    EXPECT_FALSE(files->ReadSmallFile(dir / "clipwarden-library.json", 1, error));
    EXPECT_EQ(error, std::errc::file_too_large);
    DeleteFileW(wide.c_str()); // the folder's own clean-up lists by the code page
}

TEST(RecycleBin, AFileThatCannotBeRecycledStaysWhereItIs) {
    WinFolder dir;
    const auto trash = CreateTrash();
    Write(dir / "held.rep", "held by another program");
    // Held open with no sharing: the shell cannot move it, and must not delete it either.
    HANDLE held = CreateFileA((dir / "held.rep").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string why;
    EXPECT_FALSE(trash->MoveToTrash(dir / "held.rep", why));
    EXPECT_FALSE(why.empty());
    CloseHandle(held);
    std::ifstream still(dir / "held.rep");
    EXPECT_TRUE(still.good()) << "a file that was not recycled is still there";
    EXPECT_FALSE(trash->MoveToTrash(dir / "*.rep", why)) << "never a pattern";
    EXPECT_NE(why.find("wildcard"), std::string::npos);
}

TEST(Win32Files, CopiesThroughATemporaryAndNeverOverwritesUnlessAsked) {
    WinFolder dir;
    const auto files = CreateFileSystem();
    Write(dir / "replay.rep", "recording");
    Write(dir / "taken.rep", "stored");
    std::error_code error;
    const auto stamp = files->Stamp(dir / "replay.rep", error);
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->size, 9U);

    std::string temporary = files->CopyToTemporary(dir / "replay.rep", dir / "taken.rep", error);
    ASSERT_FALSE(temporary.empty()) << files->Describe(error);
    EXPECT_TRUE(files->ListFiles(dir / "*.tmp", error).empty()) << "the temporary is hidden";
    EXPECT_FALSE(files->CommitTemporary(temporary, dir / "taken.rep", false, error));
    EXPECT_EQ(Read(dir / "taken.rep"), "stored");
    EXPECT_FALSE(files->Exists(temporary));

    temporary = files->CopyToTemporary(dir / "replay.rep", dir / "new.rep", error);
    ASSERT_TRUE(files->CommitTemporary(temporary, dir / "new.rep", false, error));
    EXPECT_EQ(Read(dir / "new.rep"), "recording");
    const auto copied = files->Stamp(dir / "new.rep", error);
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->modified, stamp->modified) << "the time is kept";
    EXPECT_NE(copied->fileId, stamp->fileId) << "another file";
    EXPECT_FALSE(*copied == *stamp);
    EXPECT_TRUE(files->SameContents(dir / "new.rep", dir / "replay.rep", error));
    EXPECT_FALSE(files->SameContents(dir / "new.rep", dir / "taken.rep", error));

    temporary = files->CopyToTemporary(dir / "taken.rep", dir / "replay.rep", error);
    ASSERT_TRUE(files->CommitTemporary(temporary, dir / "replay.rep", true, error));
    EXPECT_EQ(Read(dir / "replay.rep"), "stored");
    EXPECT_TRUE(files->CopyToTemporary(dir / "gone.rep", dir / "x.rep", error).empty());
    EXPECT_TRUE(error);
}

TEST(Win32Files, AStampTellsRewritesApartAndLeftoverTemporariesOfGoneProcessesGo) {
    WinFolder dir;
    const auto files = CreateFileSystem();
    Write(dir / "replay.rep", "first");
    std::error_code error;
    const auto first = files->Stamp(dir / "replay.rep", error);
    Sleep(20);
    Write(dir / "replay.rep", "again"); // same size, in place
    const auto second = files->Stamp(dir / "replay.rep", error);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->fileId, second->fileId);
    EXPECT_NE(first->modified, second->modified);
    EXPECT_FALSE(*first == *second);

    const std::string live =
        dir / (".clipwarden-" + std::to_string(GetCurrentProcessId()) + "-0.tmp");
    const std::string gone = dir / ".clipwarden-4000000000-0.tmp";
    Write(live, "mine");
    Write(gone, "left by a crash");
    Write(dir / ".clipwarden-notes", "not ours");
    files->RemoveStaleTemporaries(dir.path);
    EXPECT_TRUE(files->Exists(live));
    EXPECT_FALSE(files->Exists(gone));
    EXPECT_TRUE(files->Exists(dir / ".clipwarden-notes"));
}

TEST(Win32Instance, OnePerSessionASecondAsksTheFirstToComeForward) {
    const std::string key = "clipwarden test " + std::to_string(GetCurrentProcessId());
    const auto first = CreateSingleInstance(key);
    std::string holder;
    std::string why;
    ASSERT_EQ(first->TryClaim(holder, why), SingleInstance::Claim::Ours) << why;
    int raised = 0;
    first->OnRaiseRequest([&] { ++raised; });

    const auto second = CreateSingleInstance(key);
    EXPECT_EQ(second->TryClaim(holder, why), SingleInstance::Claim::Taken);
    EXPECT_EQ(holder, std::to_string(GetCurrentProcessId()));
    EXPECT_TRUE(second->AskToRaise());
    MSG message{};
    for (int i = 0; i < 200 && raised == 0; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
    EXPECT_EQ(raised, 1);

    first->Release();
    EXPECT_FALSE(second->AskToRaise());
    EXPECT_EQ(second->TryClaim(holder, why), SingleInstance::Claim::Ours);
}

TEST(Win32Clock, GivesDayAndMonthAndLocaleTexts) {
    const auto clock = CreateClock();
    SYSTEMTIME now;
    GetLocalTime(&now);
    char ddmm[8];
    std::snprintf(ddmm, sizeof(ddmm), "%02u%02u", unsigned(now.wDay), unsigned(now.wMonth));
    EXPECT_EQ(clock->TodayDDMM(), ddmm);
    EXPECT_FALSE(clock->TimeOfDayText().empty());
    const std::int64_t before = clock->SteadyMilliseconds();
    std::int64_t later = before;
    for (int i = 0; i < 1000 && later == before; ++i) {
        Sleep(5);
        later = clock->SteadyMilliseconds();
    }
    EXPECT_GT(later, before) << "the steady clock moves on, and never back";
}

TEST(Registry, StoresTextValuesUnderTheUsersKey) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Clipwarden\\Main");
    const auto store = CreateRegistrySettingsStore();
    Settings settings(*store);
    EXPECT_EQ(settings.ReadSetting("GTAVC-version", 1), "1");
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Clipwarden\\Main", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "reading creates nothing";
    EXPECT_FALSE(settings.WriteSetting("GTAVC-version", "0"));
    EXPECT_FALSE(settings.WriteSetting("GTAVC-path", "C:\\Program files\\Rockstar Games"));
    EXPECT_FALSE(settings.WriteSetting("GTAVC-replays", ""));
    EXPECT_EQ(settings.ReadNumber("GTAVC-version", 1), 0);
    EXPECT_EQ(settings.ReadSetting("GTAVC-path", "x"), "C:\\Program files\\Rockstar Games");
    EXPECT_EQ(settings.ReadSetting("GTAVC-replays", "x"), "");
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Clipwarden\\Main", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    RegQueryValueExA(key, "GTAVC-version", nullptr, &type, nullptr, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    // A rule switched off is no value at all; removing what is not there is no failure.
    EXPECT_FALSE(settings.WriteSetting("Housekeeping/most-days", "30"));
    EXPECT_EQ(settings.Stored("Housekeeping/most-days"), "30");
    EXPECT_FALSE(settings.RemoveSetting("Housekeeping/most-days"));
    EXPECT_FALSE(settings.Stored("Housekeeping/most-days"));
    EXPECT_FALSE(settings.RemoveSetting("Housekeeping/most-days"));
    EXPECT_EQ(settings.ReadSetting("GTAVC-path", "x"), "C:\\Program files\\Rockstar Games");

    // A rule entered by hand as a number is that number; one of another kind is no rule, and
    // reads as something, so that switching the rule off is said.
    HKEY rules = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Clipwarden\\Housekeeping", 0,
                              nullptr, 0, KEY_SET_VALUE, nullptr, &rules, nullptr),
              ERROR_SUCCESS);
    const DWORD fifty = 50;
    RegSetValueExW(rules, L"most-replays", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&fifty),
                   sizeof fifty);
    const BYTE bytes[] = {1, 2};
    RegSetValueExW(rules, L"most-days", 0, REG_BINARY, bytes, sizeof bytes);
    RegCloseKey(rules);
    EXPECT_EQ(settings.Stored("Housekeeping/most-replays"), "50");
    ASSERT_TRUE(settings.Stored("Housekeeping/most-days"));
    EXPECT_FALSE(ReadRuleValue(*settings.Stored("Housekeeping/most-days")));
    EXPECT_FALSE(settings.RemoveSetting("Housekeeping/most-replays"));
    EXPECT_FALSE(settings.RemoveSetting("Housekeeping/most-days"));

    // A folder outside the ANSI code page (a Cyrillic user name under a western one) comes
    // back as it was, and names the folder on disk, not one of question marks.
    const std::string cyrillic =
        "C:\\users\\\xD0\x9F\xD1\x91\xD1\x82\xD1\x80\\GTA Vice City User Files";
    EXPECT_FALSE(settings.WriteSetting("GTAVC-replays", cyrillic));
    EXPECT_EQ(settings.ReadSetting("GTAVC-replays", "x"), cyrillic);
    const auto files = CreateFileSystem();
    ASSERT_TRUE(CreateDirectoryW(ToWide("C:\\users\\\xD0\x9F\xD1\x91\xD1\x82\xD1\x80").c_str(),
                                 nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryW(ToWide(cyrillic).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(files->FolderModified(settings.ReadSetting("GTAVC-replays", "x")));
}

TEST(Toolhelp, ListsThisProcessAndReadsItsOwnMemory) {
    const auto processes = CreateProcessService();
    bool found = false;
    for (const auto& entry : processes->Snapshot()) {
        found = found || entry.id == GetCurrentProcessId();
    }
    EXPECT_TRUE(found);
    OpenFailure failure{};
    const ProcessHandle self = processes->Open(GetCurrentProcessId(), failure);
    ASSERT_NE(self, 0);
    static volatile unsigned char marker[4] = {1, 2, 3, 4};
    std::array<std::byte, 4> buffer{};
    EXPECT_EQ(processes->Read(self, reinterpret_cast<std::uintptr_t>(&marker[0]), buffer), 4U);
    EXPECT_EQ(std::to_integer<int>(buffer[3]), 4);
    const std::array<std::byte, 1> nine{std::byte{9}};
    EXPECT_EQ(processes->Write(self, reinterpret_cast<std::uintptr_t>(&marker[1]), nine), 1U);
    EXPECT_EQ(marker[1], 9);
    processes->Close(self);
    EXPECT_EQ(processes->Open(0, failure), 0);
}

TEST(Toolhelp, ANameFieldEndsAtItsFirstNul) {
    const char field[16] = "gta-vc.exe\0junk";
    EXPECT_EQ(TrimAtNul(field), "gta-vc.exe");
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(TrimAtNul(full), "abcd") << "a full field has no NUL";
}

TEST(KeyRecords, FlagsBecomeReleaseAltAndInjected) {
    const KeyEvent press = KeyEventOf(VK_F5, 0);
    EXPECT_EQ(press.key, Key::F5);
    EXPECT_TRUE(press.pressed);
    EXPECT_FALSE(press.altHeld);
    EXPECT_FALSE(press.injected);
    const KeyEvent release = KeyEventOf(VK_F6, LLKHF_UP | LLKHF_ALTDOWN);
    EXPECT_EQ(release.key, Key::F6);
    EXPECT_FALSE(release.pressed);
    EXPECT_TRUE(release.altHeld);
    EXPECT_TRUE(KeyEventOf(VK_F6, LLKHF_INJECTED | LLKHF_LOWER_IL_INJECTED).injected);
    EXPECT_EQ(KeyEventOf(VK_F7, 0).key, Key::Other);
    EXPECT_EQ(KeyEventOf('A', 0).key, Key::Other);
}

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

TEST(LaunchCommand, ArgumentsAreQuotedSoThatTheyArriveAsTheyWere) {
    EXPECT_EQ(QuoteArgument("plain"), "plain");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument("two words"), "\"two words\"");
    EXPECT_EQ(QuoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(QuoteArgument("C:\\Program Files\\"), "\"C:\\Program Files\\\\\"");
    EXPECT_EQ(QuoteArgument("a\\\\\"b"), "\"a\\\\\\\\\\\"b\"");
}

TEST(LaunchCommand, WaitsForTheCommandAndPassesItsExitStatusOn) {
    std::string why;
    EXPECT_EQ(RunCommandAndWait({"cmd.exe", "/c", "exit 7"}, why), 7) << why;
    EXPECT_EQ(RunCommandAndWait({"C:\\no such\\game.exe"}, why), -1);
    EXPECT_NE(why.find("C:\\no such\\game.exe cannot be started"), std::string::npos) << why;
}

} // namespace
} // namespace clipwarden::test
