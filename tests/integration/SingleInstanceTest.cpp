// One Clipwarden per settings file: the lock, the request to come forward, and what frees it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <future>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "Fakes.h"
#include "TempDir.h"
#include "core/ports/SingleInstance.h"
#include "core/presenters/MainPresenter.h"
#include "platform/linux/InstanceSocket.h"
#include "platform/linux/ProcProcessService.h"
#include "platform/posix/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

struct Instance : ::testing::Test {
    TempDir dir;
    std::string settings = dir / "config/Clipwarden/Clipwarden.conf";
    std::string holder;
    std::string why;

    SingleInstance::Claim Claim(SingleInstance& instance) {
        holder.clear();
        return instance.TryClaim(holder, why);
    }
};

/** Asks from another thread while this one serves the instance, as a second start asks a
 *  running Clipwarden; what the ask said. */
bool AskServed(const std::function<bool()>& ask) {
    auto asked = std::async(std::launch::async, ask);
    while (asked.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        QCoreApplication::processEvents();
    }
    return asked.get();
}

TEST_F(Instance, TheFirstHoldsItASecondIsToldWhoAndAsksItToComeForward) {
    const auto first = CreateSingleInstance(settings);
    ASSERT_EQ(Claim(*first), SingleInstance::Claim::Ours) << why;
    int raised = 0;
    int libraries = 0;
    first->OnRaiseRequest([&] { ++raised; });
    first->OnLibraryRequest([&] { ++libraries; });

    const auto second = CreateSingleInstance(settings);
    EXPECT_EQ(Claim(*second), SingleInstance::Claim::Taken);
    EXPECT_EQ(holder, std::to_string(getpid()));
    EXPECT_TRUE(AskServed([&] { return second->AskToRaise(); }));
    EXPECT_TRUE(AskServed([&] { return second->AskToShowLibrary(); }));
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(libraries, 1);
    EXPECT_FALSE(std::filesystem::exists(settings)) << "a lock is not a settings file";

    first->Release();
    EXPECT_FALSE(second->AskToRaise()) << "nobody listens any more";
    EXPECT_EQ(Claim(*second), SingleInstance::Claim::Ours) << "given up, it can be taken";
}

TEST_F(Instance, ALockFileThatIsALinkIsNeitherFollowedNorTruncated) {
    std::filesystem::create_directories(dir / "config/Clipwarden");
    const std::string victim = dir / "precious.txt";
    WriteFile(victim, "precious");
    std::filesystem::create_symlink(victim, dir / "config/Clipwarden/Clipwarden.lock");
    const auto instance = CreateSingleInstance(settings);
    EXPECT_EQ(Claim(*instance), SingleInstance::Claim::Failed);
    EXPECT_NE(why.find("it is a link; remove it"), std::string::npos) << why;
    EXPECT_EQ(ReadFile(victim), "precious");
}

TEST_F(Instance, TheSocketIsNeverWhereOthersCanWriteNorHandedToAnotherUser) {
    // A runtime folder anybody can write to, as /tmp is.
    const std::string shared = dir / "shared";
    std::filesystem::create_directory(shared);
    chmod(shared.c_str(), 01777);
    setenv("XDG_RUNTIME_DIR", shared.c_str(), 1);
    const std::string path = InstanceSocketPath(settings);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(path.rfind(dir / "config/Clipwarden/run/", 0), 0U) << path;

    if (geteuid() != 0) {
        GTEST_SKIP() << "listening as another user needs root";
    }
    // An impostor of another user listens there first; it says what it was sent.
    const std::string impostorPath = shared + "/clipwarden-impostor.sock";
    chmod(dir.str().c_str(), 0755);
    int told[2];
    ASSERT_EQ(pipe(told), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t impostor = fork();
    if (impostor == 0) {
        close(told[0]);
        close(ready[0]);
        const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        InstanceAddress(impostorPath, address);
        if (setgid(65534) != 0 || setuid(65534) != 0 ||
            bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(listener, 4) != 0 || write(ready[1], "r", 1) != 1) {
            _exit(1);
        }
        const int client = accept(listener, nullptr, nullptr);
        char byte = 0;
        const char got = recv(client, &byte, 1, 0) > 0 ? 'y' : 'n';
        _exit(write(told[1], &got, 1) == 1 ? 0 : 1);
    }
    close(told[1]);
    close(ready[1]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1) << "the impostor could not listen";
    std::string refused;
    EXPECT_EQ(ConnectToInstance(impostorPath, &refused), -1);
    EXPECT_NE(refused.find("belongs to user 65534, not to you"), std::string::npos) << refused;
    const int memory = open("/proc/self/mem", O_RDWR | O_CLOEXEC);
    std::string notTaken;
    EXPECT_FALSE(HandOverGame(impostorPath, static_cast<ProcessId>(getpid()), memory, notTaken));
    close(memory);
    char sent = 0;
    EXPECT_EQ(read(told[0], &sent, 1), 1);
    EXPECT_EQ(sent, 'n') << "the impostor was sent something";
    close(told[0]);
    close(ready[0]);
    waitpid(impostor, nullptr, 0);
}

TEST_F(Instance, AHandOverOfAnythingButAProcesssMemoryIsRefusedAndSaid) {
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    const auto instance = CreateSingleInstance(settings);
    ASSERT_EQ(Claim(*instance), SingleInstance::Claim::Ours) << why;
    int taken = 0;
    std::vector<std::string> notices;
    instance->OnGameHandedOver([&](ProcessId, ProcessHandle) { ++taken; });
    instance->OnNotice([&](const std::string& line) { notices.push_back(line); });
    WriteFile(dir / "plain.txt", "not a game");
    const int plain = open((dir / "plain.txt").c_str(), O_RDWR | O_CLOEXEC);
    std::atomic<int> answered = -1;
    std::thread launcher([&] {
        std::string notTaken;
        answered = HandOverGame(InstanceSocketPath(settings), 4242, plain, notTaken) ? 1 : 0;
    });
    EXPECT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return answered != -1;
    }));
    launcher.join();
    close(plain);
    EXPECT_EQ(answered, 0);
    EXPECT_EQ(taken, 0);
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_EQ(notices[0], "A launcher handed over something that is not the memory of process "
                          "4242; it was refused.");
}

TEST_F(Instance, AnotherSettingsFileIsAnotherInstance) {
    const auto first = CreateSingleInstance(settings);
    const auto other = CreateSingleInstance(dir / "elsewhere/Clipwarden/Clipwarden.conf");
    EXPECT_EQ(Claim(*first), SingleInstance::Claim::Ours);
    EXPECT_EQ(Claim(*other), SingleInstance::Claim::Ours);
}

TEST_F(Instance, AHolderKilledMidwayLeavesNothingInTheWay) {
    int told[2];
    ASSERT_EQ(pipe(told), 0);
    const pid_t child = fork();
    if (child == 0) {
        const auto held = CreateSingleInstance(settings);
        std::string h;
        std::string w;
        const char claimed = held->TryClaim(h, w) == SingleInstance::Claim::Ours ? 'o' : 'x';
        if (write(told[1], &claimed, 1) != 1) {
            _exit(1);
        }
        pause(); // until killed
        _exit(0);
    }
    close(told[1]);
    char claimed = 0;
    ASSERT_EQ(read(told[0], &claimed, 1), 1);
    close(told[0]);
    ASSERT_EQ(claimed, 'o');
    const auto probe = CreateSingleInstance(settings);
    EXPECT_EQ(Claim(*probe), SingleInstance::Claim::Taken);
    EXPECT_EQ(holder, std::to_string(child));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(Claim(*probe), SingleInstance::Claim::Ours) << "the system freed it";
    int raised = 0;
    probe->OnRaiseRequest([&] { ++raised; });
    const auto asker = CreateSingleInstance(settings);
    EXPECT_TRUE(AskServed([&] { return asker->AskToRaise(); }))
        << "the dead holder's socket was replaced";
    EXPECT_EQ(raised, 1);
}

TEST_F(Instance, AProgramStartedMeanwhileDoesNotKeepIt) {
    const auto first = CreateSingleInstance(settings);
    ASSERT_EQ(Claim(*first), SingleInstance::Claim::Ours);
    // As the game or Wine would be started while Clipwarden runs.
    ChildProcess game({"/bin/sh", "-c", "echo started; exec sleep 60"});
    ASSERT_EQ(game.ReadLine(), "started"); // running its own program now
    first->Release();
    const auto next = CreateSingleInstance(settings);
    EXPECT_EQ(Claim(*next), SingleInstance::Claim::Ours)
        << "the lock went along to a program Clipwarden started (held by " << holder << ")";
}

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

/** The real processes, but opening one is refused, as Yama refuses a program that is not the
 *  game's ancestor. The test machine runs without Yama, so the refusal is made here. */
class RefusingProcesses final : public ProcessService {
public:
    std::unique_ptr<ProcessService> real =
        CreateProcProcessService(std::chrono::seconds(10), std::chrono::minutes(1));
    std::vector<ProcessEntry> Snapshot() override { return real->Snapshot(); }
    bool IsAlive(ProcessId id) override { return real->IsAlive(id); }
    ProcessHandle Open(ProcessId, OpenFailure& failure) override {
        failure = OpenFailure::Refused;
        return 0;
    }
    std::size_t Read(ProcessHandle p, std::uint64_t a, std::span<std::byte> b) override {
        return real->Read(p, a, b);
    }
    std::size_t Write(ProcessHandle p, std::uint64_t a, std::span<const std::byte> b) override {
        return real->Write(p, a, b);
    }
    void Close(ProcessHandle p) override { real->Close(p); }
};

TEST_F(Instance, AGameHandedOverByTheLauncherIsUsedWhereItsOwnOpeningIsRefused) {
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR"); // the socket beside the settings, in this test's folder
    const auto instance = CreateSingleInstance(settings);
    ASSERT_EQ(Claim(*instance), SingleInstance::Claim::Ours) << why;

    PosixFileSystem files;
    FakeClock clock;
    FakeSettingsStore store;
    store.values["GTAVC-replays"] = dir.str();
    FakeShellFolders shell;
    RefusingProcesses processes;
    FakeKeys keys;
    FakeLauncher launcher;
    FakeTrash trash;
    FakeFileManager fileManager;
    FakeFolderWatch folderWatch;
    FakeRegistry registry;
    std::ostringstream echo;
    Services services{files, clock,       store,       shell,    processes, keys, launcher,
                      trash, fileManager, folderWatch, registry, echo,      "/games", {}};
    FakeMainView view;
    MainPresenter presenter(services, view);
    presenter.Start();
    instance->OnGameHandedOver(
        [&](ProcessId id, ProcessHandle handle) { presenter.OnGameHandedOver(id, handle); });

    const char* program = std::getenv("CLIPWARDEN_BIN");
    ASSERT_NE(program, nullptr);
    FakeGame game({program, "--launch", FakeGame::Binary()});
    const auto handedOver = [&] {
        return std::any_of(view.log.begin(), view.log.end(), [](const std::string& line) {
            return line.find("The launcher handed GTA:VC (process ") != std::string::npos;
        });
    };
    ASSERT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return handedOver();
    }));
    EXPECT_EQ(view.status, "GTA:VC is running!");
    presenter.notifier().PostNotification("", "Through the launcher");
    presenter.GameTextTick();
    const auto shown = game.ShownOnce("Through the launcher");
    EXPECT_FALSE(shown.empty()) << "the text went through the handed-over descriptor";
    instance->Release();
}

} // namespace
} // namespace clipwarden::test
