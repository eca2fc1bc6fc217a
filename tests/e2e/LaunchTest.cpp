// clipwarden --launch COMMAND: the way Steam, Lutris and Heroic start the game through
// Clipwarden. The real program, the stand-in game, and stand-ins for the service manager.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "ChildProcess.h"
#include "HeadlessCommand.h"
#include "TempDir.h"
#include "platform/linux/InstanceSocket.h"

namespace clipwarden::test {
namespace {

constexpr long long kEarlier = 1'600'000'000;

struct Launch : ::testing::Test {
    TempDir home;
    std::string replays = home / "replays";
    std::string bin = home / "bin"; ///< first on PATH: the stand-in systemd-run
    std::unique_ptr<ChildProcess> instance;

    void SetUp() override {
        std::filesystem::create_directories(replays);
        std::filesystem::create_directories(home / "config/Clipwarden");
        WriteFile(home / "config/Clipwarden/Clipwarden.conf",
                  "[Main]\nGTAVC-replays=" + replays + "\nGTAVC-path=" + home.str() + "\n");
        // A machine without a user service manager: the launcher detaches the instance itself.
        std::filesystem::create_directories(bin);
        ServiceManager("exit 1");
    }

    /** A systemd-run that runs `script` (and records its arguments). */
    void ServiceManager(const std::string& script) {
        WriteFile(bin + "/systemd-run", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                            (home / "systemd-run.args") + "'\n" + script + "\n");
        chmod((bin + "/systemd-run").c_str(), 0755);
    }

    /** Clipwarden's command line in this test's home, without a display. */
    std::vector<std::string> Clipwarden(const std::vector<std::string>& args) {
        return HeadlessCommand(home.str(), args, {"PATH=" + bin + ":" + std::getenv("PATH")});
    }

    /** A running instance, headless, its log readable. */
    void StartInstance() {
        instance = std::make_unique<ChildProcess>(Clipwarden({}), std::vector<std::string>{}, true);
        const auto lines =
            instance->ReadUntil("running without a window", std::chrono::seconds(60));
        ASSERT_FALSE(lines.empty());
        ASSERT_NE(lines.back().find("running without a window"), std::string::npos);
    }

    /** The stand-in game started through clipwarden --launch; its commands go through. */
    std::unique_ptr<FakeGame> LaunchGame(std::vector<std::string> extraEnv = {}) {
        return std::make_unique<FakeGame>(Clipwarden({"--launch", FakeGame::Binary()}),
                                          std::move(extraEnv));
    }
};

TEST_F(Launch, WithAnInstanceRunningTheGameIsHandedOverAndShowsCaptures) {
    StartInstance();
    const auto game = LaunchGame();
    const auto handed = instance->ReadUntil("The launcher handed GTA:VC", std::chrono::seconds(60));
    ASSERT_FALSE(handed.empty());
    EXPECT_NE(handed.back().find("The launcher handed GTA:VC (process "), std::string::npos);
    RecordAt(replays + "/replay.rep", "a recording", kEarlier);
    EXPECT_FALSE(game->ShownOnce("saved!").empty());
    EXPECT_FALSE(std::filesystem::exists(home / "systemd-run.args"))
        << "an instance ran already: none is started";
}

TEST_F(Launch, WithNoInstanceOneIsStartedDetachedAndGetsTheGame) {
    // What Steam puts into the game's environment stays out of the instance's.
    const auto game = LaunchGame({"STEAM_COMPAT_DATA_PATH=/steam/compatdata/12110"});
    ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(home / "systemd-run.args"); }))
        << "the user's service manager is asked first";
    EXPECT_NE(ReadFile(home / "systemd-run.args").find("--user\n"), std::string::npos);
    RecordAt(replays + "/replay.rep", "a recording", kEarlier);
    EXPECT_FALSE(game->ShownOnce("saved!").empty()) << "the detached instance got the game";
    EXPECT_TRUE(std::filesystem::exists(replays + "/replay" + [] {
        char day[8];
        const time_t now = time(nullptr);
        tm local{};
        localtime_r(&now, &local);
        strftime(day, sizeof(day), "%d%m", &local);
        return std::string(day);
    }() + "-0.rep"));
    // The instance outlives the game: the launcher ends with the game, the instance stays.
    game->Send("exit");
    EXPECT_TRUE(Eventually([&] { return !game->Alive(); }));
    EXPECT_EQ(game->ExitStatus(), 0);
    std::unique_ptr<ChildProcess> second =
        std::make_unique<ChildProcess>(Clipwarden({}), std::vector<std::string>{}, true);
    const auto lines = second->ReadUntil("already running", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    const auto at = lines.back().find("already running (process ");
    ASSERT_NE(at, std::string::npos) << lines.back();
    // Detached from the launcher, it was taken in by this test, which ends it.
    const pid_t detached = std::atoi(lines.back().c_str() + at + 25);
    EXPECT_EQ(DescribeProcess(detached).parent, getpid());
    EndOrphan(detached);
}

TEST_F(Launch, AUserServiceManagerStartsTheInstanceWithTheSessionsDisplay) {
    ServiceManager("exit 0"); // took the unit; this stand-in starts nothing
    ChildProcess launcher(Clipwarden({"--launch", "/bin/true"}), {"DISPLAY=:42"}, true);
    const auto lines = launcher.ReadUntil("user service", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "clipwarden: started Clipwarden as a user service.");
    const std::string args = ReadFile(home / "systemd-run.args");
    EXPECT_NE(args.find("--user\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--setenv=XDG_CONFIG_HOME=" + (home / "config") + "\n"), std::string::npos)
        << "the instance uses the launcher's settings file, and so its socket";
    EXPECT_NE(args.find(std::string(std::getenv("CLIPWARDEN_BIN")) + "\n"), std::string::npos);
    EXPECT_TRUE(Eventually([&] { return !launcher.Alive(); }));
    EXPECT_EQ(launcher.ExitStatus(), 0);
}

TEST_F(Launch, TheCommandsArgumentsPassUntouchedAndItsExitStatusComesBack) {
    StartInstance();
    ChildProcess launcher(
        Clipwarden({"--launch", "/bin/sh", "-c", "printf '%s|' \"$@\"; echo; exit 7", "sh",
                    "two words", "$(touch pwned)", "--", "--help", "'q'"}),
        {}, false);
    EXPECT_EQ(launcher.ReadLine(std::chrono::seconds(60)),
              "two words|$(touch pwned)|--|--help|'q'|");
    EXPECT_TRUE(Eventually([&] { return !launcher.Alive(); }));
    EXPECT_EQ(launcher.ExitStatus(), 7);
    EXPECT_FALSE(std::filesystem::exists(home / "pwned"));
}

TEST_F(Launch, SigtermSigintAndSighupGoOnToTheCommand) {
    StartInstance();
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ChildProcess launcher(
            Clipwarden({"--launch", "/bin/sh", "-c",
                        "trap 'echo got it; exit 3' TERM INT HUP; echo ready; "
                        "i=0; while [ $i -lt 2400 ]; do sleep 0.05; i=$((i+1)); done"}),
            {}, false);
        ASSERT_EQ(launcher.ReadLine(std::chrono::seconds(60)), "ready");
        // env execs the launcher in place, so this is the launcher itself.
        ASSERT_EQ(kill(launcher.pid(), signal), 0);
        EXPECT_EQ(launcher.ReadLine(std::chrono::seconds(60)), "got it");
        EXPECT_TRUE(Eventually([&] { return !launcher.Alive(); }));
        EXPECT_EQ(launcher.ExitStatus(), 3) << signal;
    }
}

TEST_F(Launch, AnInstanceThatTakesNoRequestsDoesNotHoldUpTheGame) {
    ServiceManager("exit 0"); // takes the unit and starts nothing: no second instance here
    // Where the launcher looks (it runs without XDG_RUNTIME_DIR): something listens there and
    // never accepts, its queue full.
    const std::string runtime =
        std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    unsetenv("XDG_RUNTIME_DIR");
    const std::string socketPath = InstanceSocketPath(home / "config/Clipwarden/Clipwarden.conf");
    if (!runtime.empty()) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    std::filesystem::create_directories(home / "config/Clipwarden/run");
    chmod((home / "config/Clipwarden/run").c_str(), 0700);
    sockaddr_un address{};
    ASSERT_TRUE(InstanceAddress(socketPath, address));
    const int busy = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(busy, 0), 0);
    std::vector<int> queued;
    for (int i = 0; i < 64; ++i) {
        queued.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (connect(queued.back(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            break;
        }
    }
    ASSERT_EQ(errno, EAGAIN) << "the queue never filled";

    ChildProcess launcher(Clipwarden({"--launch", "/bin/sh", "-c", "echo started"}), {}, false);
    EXPECT_EQ(launcher.ReadLine(std::chrono::seconds(60)), "started")
        << "the game waited for an instance that takes no requests";
    EXPECT_TRUE(Eventually([&] { return !launcher.Alive(); }));
    EXPECT_EQ(launcher.ExitStatus(), 0);
    for (const int fd : queued) {
        close(fd);
    }
    close(busy);
}

TEST_F(Launch, ACommandThatCannotStartIsSaid) {
    StartInstance();
    ChildProcess launcher(Clipwarden({"--launch", home / "no such game"}), {}, true);
    const auto lines = launcher.ReadUntil("cannot be started", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "clipwarden: " + home / "no such game" +
                                " cannot be started: No such file or directory");
    EXPECT_TRUE(Eventually([&] { return !launcher.Alive(); }));
    EXPECT_EQ(launcher.ExitStatus(), 127);
}

} // namespace
} // namespace clipwarden::test

namespace clipwarden::test {
namespace {

std::string StatusField(pid_t pid, const std::string& field) {
    const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    const auto at = status.find("\n" + field + ":\t");
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + field.size() + 3;
    return status.substr(start, status.find('\n', start) - start);
}

TEST(FilePrivileges, AFileCapabilityIsDroppedAtStartAndTheLogSaysWhy) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a program file a capability needs root";
    }
    for (const char* tool : {"/usr/sbin/setcap", "/usr/bin/setpriv", "/usr/bin/findmnt"}) {
        if (access(tool, X_OK) != 0) {
            GTEST_SKIP() << tool << " is missing (apt-get install libcap2-bin util-linux)";
        }
    }
    TempDir dir;
    std::filesystem::permissions(dir.str(), std::filesystem::perms(0755));
    ChildProcess mount({"/usr/bin/findmnt", "-no", "OPTIONS", "-T", dir.str()});
    if (mount.ReadLine().find("nosuid") != std::string::npos) {
        GTEST_SKIP() << dir.str() << " lies on a nosuid mount, where file capabilities are ignored";
    }
    const char* program = std::getenv("CLIPWARDEN_BIN");
    ASSERT_NE(program, nullptr);
    const std::string copy = dir / "clipwarden";
    std::filesystem::copy_file(program, copy);
    ChildProcess setcap({"/usr/sbin/setcap", "cap_sys_ptrace=ep", copy}, {}, true);
    ASSERT_TRUE(Eventually([&] { return !setcap.Alive(); }));
    if (setcap.ExitStatus() != 0) {
        GTEST_SKIP() << "this file system takes no file capabilities: " << setcap.ReadLine();
    }
    const std::string home = dir / "home";
    std::filesystem::create_directory(home);
    chown(home.c_str(), 65534, 65534);

    // As an ordinary user, who gains the capability from the file.
    std::vector<std::string> command = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                        "--clear-groups"};
    for (std::string& part : HeadlessCommand(home, {}, {}, copy)) {
        command.push_back(std::move(part));
    }
    ChildProcess app(command, {}, true);
    const auto lines = app.ReadUntil("has dropped them", std::chrono::seconds(60));
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("clipwarden --launch %command%"), std::string::npos)
        << lines.back();
    EXPECT_EQ(StatusField(app.pid(), "Uid"), "65534\t65534\t65534\t65534");
    EXPECT_EQ(StatusField(app.pid(), "CapPrm"), "0000000000000000");
    EXPECT_EQ(StatusField(app.pid(), "CapEff"), "0000000000000000");
}

} // namespace
} // namespace clipwarden::test
