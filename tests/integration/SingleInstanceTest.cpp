// One Clipwarden per settings file: the lock, the request to come forward, and what frees it.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "ChildProcess.h"
#include "Fakes.h"
#include "TempDir.h"
#include "core/ports/SingleInstance.h"
#include "core/presenters/MainPresenter.h"
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

TEST_F(Instance, TheFirstHoldsItASecondIsToldWhoAndAsksItToComeForward) {
    const auto first = CreateSingleInstance(settings);
    ASSERT_EQ(Claim(*first), SingleInstance::Claim::Ours) << why;
    int raised = 0;
    first->OnRaiseRequest([&] { ++raised; });

    const auto second = CreateSingleInstance(settings);
    EXPECT_EQ(Claim(*second), SingleInstance::Claim::Taken);
    EXPECT_EQ(holder, std::to_string(getpid()));
    EXPECT_TRUE(second->AskToRaise());
    EXPECT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return raised == 1;
    }));
    EXPECT_FALSE(std::filesystem::exists(settings)) << "a lock is not a settings file";

    first->Release();
    EXPECT_FALSE(second->AskToRaise()) << "nobody listens any more";
    EXPECT_EQ(Claim(*second), SingleInstance::Claim::Ours) << "given up, it can be taken";
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
    EXPECT_TRUE(asker->AskToRaise()) << "the dead holder's socket was replaced";
    EXPECT_TRUE(Eventually([&] {
        QCoreApplication::processEvents();
        return raised == 1;
    }));
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
    std::ostringstream echo;
    Services services{files, clock, store, shell, processes, keys, launcher, echo, "/games", {}};
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
