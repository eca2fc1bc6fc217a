// The freedesktop trash over real folders: each way a trash can be broken is refused at once
// (every move runs in a child with a deadline, as the trash once looped forever), leaving the
// replay where it was and nothing behind; a volume's trash is used only where no other user
// can reach into it; what the info file records survives any name.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "TempDir.h"
#include "platform/linux/FreedesktopTrash.h"

namespace clipwarden::test {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

struct Outcome {
    bool moved = false;
    std::string why;
};

/** Moves `path` to `trash` in a child process, after `prepare` ran there; nothing when it
 *  has not answered within the deadline (it is killed then). */
std::optional<Outcome> MoveInChild(FreedesktopTrash& trash, const std::string& path,
                                   const std::function<void()>& prepare = {}) {
    int answer[2];
    if (pipe(answer) != 0) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(answer[0]);
        if (prepare) {
            prepare();
        }
        std::string why;
        const std::string said = (trash.MoveToTrash(path, why) ? "1" : "0") + why;
        const ssize_t wrote = write(answer[1], said.data(), said.size());
        _exit(wrote == static_cast<ssize_t>(said.size()) ? 0 : 1);
    }
    close(answer[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            close(answer[0]);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = read(answer[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(got));
    }
    close(answer[0]);
    if (said.empty()) {
        return std::nullopt;
    }
    return Outcome{said[0] == '1', said.substr(1)};
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Broken {
    const char* cause;
    std::function<void(const TempDir&)> breakIt; ///< given the home with its Trash
    std::function<void()> inChild;
    std::string name = "take.rep";
};

Broken Cause(const char* cause, std::function<void(const TempDir&)> breakIt,
             std::function<void()> inChild = {}, std::string name = "take.rep") {
    return Broken{cause, std::move(breakIt), std::move(inChild), std::move(name)};
}

class BrokenTrash : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenTrash, IsRefusedAtOnceAndLeavesTheReplayAndNothingBehind) {
    const Broken& broken = GetParam();
    TempDir home;
    fs::create_directories(home / "Trash/files");
    fs::create_directories(home / "Trash/info");
    broken.breakIt(home);
    fs::create_directories(home / "replays");
    const std::string replay = home / ("replays/" + broken.name);
    WriteFile(replay, "a recording");
    FreedesktopTrash trash(home / "Trash");

    const auto outcome = MoveInChild(trash, replay, broken.inChild);
    ASSERT_TRUE(outcome) << broken.cause << ": no answer within the deadline";
    EXPECT_FALSE(outcome->moved) << broken.cause;
    EXPECT_FALSE(outcome->why.empty()) << broken.cause;
    EXPECT_EQ(ReadFile(replay), "a recording") << broken.cause;
    EXPECT_EQ(Names(home / "replays"), std::vector<std::string>{broken.name}) << broken.cause;
    // Nothing behind it anywhere: the only ordinary files are the replay and what was there.
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(home.str())) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            files.push_back(fs::relative(entry.path(), home.str()).string());
        }
    }
    std::vector<std::string> expected{"replays/" + broken.name};
    if (fs::is_regular_file(fs::symlink_status(home / "Trash/info"))) {
        expected.insert(expected.begin(), "Trash/info");
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, expected) << broken.cause;
    fs::permissions(home / "Trash/info", fs::perms::owner_all, fs::perm_options::add);
}

INSTANTIATE_TEST_SUITE_P(
    EachCause, BrokenTrash,
    ::testing::Values(
        Cause("info is a file",
               [](const TempDir& home) {
                   fs::remove(home / "Trash/info");
                   WriteFile(home / "Trash/info", "");
               }),
        Cause("info links to /dev/null",
               [](const TempDir& home) {
                   fs::remove(home / "Trash/info");
                   fs::create_symlink("/dev/null", home / "Trash/info");
               }),
        Cause("files links elsewhere",
               [](const TempDir& home) {
                   fs::remove(home / "Trash/files");
                   fs::create_directories(home / "elsewhere");
                   fs::create_directory_symlink(home / "elsewhere", home / "Trash/files");
               }),
        Cause("info is read-only",
              [](const TempDir& home) {
                  fs::permissions(home / "Trash/info",
                                  fs::perms::owner_read | fs::perms::owner_exec);
                  // Root writes where modes say no: the move is made as nobody then.
                  if (geteuid() == 0) {
                      for (const auto& entry : fs::recursive_directory_iterator(home.str())) {
                          EXPECT_EQ(lchown(entry.path().c_str(), kNobody, kNobody), 0);
                      }
                      EXPECT_EQ(chown(home.str().c_str(), kNobody, kNobody), 0);
                  }
              },
              [] {
                  if (geteuid() == 0 &&
                      (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                       setresuid(kNobody, kNobody, kNobody) != 0)) {
                      _exit(3);
                  }
              }),
        Cause("no room for the info file", [](const TempDir&) {},
               [] {
                   // The file size limit fails the info file's write as a full disk would.
                   signal(SIGXFSZ, SIG_IGN);
                   const rlimit none{0, 0};
                   setrlimit(RLIMIT_FSIZE, &none);
               }),
        Cause("a name of 246 bytes", [](const TempDir&) {}, {},
               std::string(242, 'n') + ".rep"),
        Cause("a name of 255 bytes", [](const TempDir&) {}, {},
               std::string(251, 'n') + ".rep")),
    [](const ::testing::TestParamInfo<Broken>& param) {
        std::string name;
        for (const char c : std::string(param.param.cause)) {
            name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
        }
        return name;
    });

/** A volume of the test's own: its top is `top`, the home trash is elsewhere. */
struct Volume : ::testing::Test {
    TempDir top;
    TempDir home;
    std::string uid = std::to_string(geteuid());
    FreedesktopTrash trash{home / "Trash",
                           [this](const std::string&, std::uint64_t) { return top.str(); }};
    std::string replay = top / "replays/take.rep";

    Volume() {
        fs::permissions(top.str(), fs::perms::all | fs::perms::sticky_bit); // like /tmp
        fs::create_directories(top / "replays");
        WriteFile(replay, "a recording");
    }
    Outcome Move() { return MoveInChild(trash, replay).value_or(Outcome{false, "no answer"}); }
};

TEST_F(Volume, ItsOwnTrashIsMadeForTheUserAloneAndRecordsThePathFromTheTop) {
    const Outcome outcome = Move();
    ASSERT_TRUE(outcome.moved) << outcome.why;
    const std::string own = top / (".Trash-" + uid);
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(own + "/files/take.rep"), "a recording");
    EXPECT_NE(ReadFile(own + "/info/take.rep.trashinfo").find("\nPath=replays/take.rep\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(replay));
}

TEST_F(Volume, ATrashFolderOthersCanReachIsNeverUsed) {
    // Open to all, a link to a folder of the user's own, another user's (made first on a
    // shared disk, as anyone may): none is this user's trash.
    const std::string own = top / (".Trash-" + uid);
    fs::create_directories(own + "/files");
    fs::permissions(own, fs::perms::all);
    Outcome outcome = Move();
    EXPECT_NE(outcome.why.find("open to other users"), std::string::npos) << outcome.why;
    fs::remove_all(own);
    fs::create_directories(home / "decoy");
    fs::permissions(home / "decoy", fs::perms::owner_all);
    fs::create_directory_symlink(home / "decoy", own);
    outcome = Move();
    EXPECT_FALSE(outcome.moved);
    EXPECT_EQ(Names(home / "decoy"), std::vector<std::string>{});
    if (geteuid() == 0) { // only root can give a folder to another user here
        fs::remove(own);
        fs::create_directories(own + "/files");
        fs::create_directories(own + "/info");
        for (const std::string& folder : {own, own + "/files", own + "/info"}) {
            ASSERT_EQ(chown(folder.c_str(), 4242, 4242), 0);
            fs::permissions(folder, fs::perms::owner_all);
        }
        outcome = Move();
        EXPECT_NE(outcome.why.find("belongs to another user"), std::string::npos) << outcome.why;
        EXPECT_EQ(Names(own + "/files"), std::vector<std::string>{});
        EXPECT_EQ(Names(own + "/info"), std::vector<std::string>{});
    }
    EXPECT_EQ(ReadFile(replay), "a recording");
}

TEST_F(Volume, TheSharedTrashCountsOnlyAsARealStickyFolder) {
    // Not sticky: anyone could take the user's folder in it.
    fs::create_directories(top / ".Trash");
    fs::permissions(top / ".Trash", fs::perms::all);
    Outcome outcome = Move();
    ASSERT_TRUE(outcome.moved) << outcome.why;
    EXPECT_TRUE(fs::exists(top / (".Trash-" + uid + "/files/take.rep")));
    EXPECT_FALSE(fs::exists(top / (".Trash/" + uid)));

    // Sticky: the user's folder in it.
    WriteFile(replay, "another recording");
    fs::permissions(top / ".Trash", fs::perms::all | fs::perms::sticky_bit);
    outcome = Move();
    ASSERT_TRUE(outcome.moved) << outcome.why;
    EXPECT_EQ(ReadFile(top / (".Trash/" + uid + "/files/take.rep")), "another recording");
    EXPECT_EQ(fs::status(top / (".Trash/" + uid)).permissions() & fs::perms::all,
              fs::perms::owner_all);

    // A link to a sticky folder is not the administrator's: the user's own trash again.
    fs::rename(top / ".Trash", top / "shared");
    fs::create_directory_symlink(top / "shared", top / ".Trash");
    WriteFile(replay, "a third recording");
    outcome = Move();
    ASSERT_TRUE(outcome.moved) << outcome.why;
    EXPECT_EQ(ReadFile(top / (".Trash-" + uid + "/files/take (2).rep")), "a third recording");
}

TEST(HomeTrash, AnyNameIsRecordedSoThatAFileManagerRestoresIt) {
    TempDir home;
    fs::create_directories(home / "replays");
    FreedesktopTrash trash(home / "data/Trash"); // data/ is not there yet
    const std::string odd = home / "replays/take\n1 100%\xff.rep";
    WriteFile(odd, "odd bytes");
    std::string why;
    ASSERT_TRUE(trash.MoveToTrash(odd, why)) << why;
    const std::string info = ReadFile(home / "data/Trash/info/take\n1 100%\xff.rep.trashinfo");
    EXPECT_EQ(info.substr(0, info.find("\nDeletionDate=")),
              "[Trash Info]\nPath=" + PercentEncodePath(home / "replays/") +
                  "take%0A1%20100%25%FF.rep");
    EXPECT_EQ(std::count(info.begin(), info.end(), '\n'), 3) << info;
    EXPECT_EQ(ReadFile(home / "data/Trash/files/take\n1 100%\xff.rep"), "odd bytes");

    // The same name again takes the next free one; neither record is overwritten.
    WriteFile(odd, "odd bytes again");
    ASSERT_TRUE(trash.MoveToTrash(odd, why)) << why;
    EXPECT_EQ(ReadFile(home / "data/Trash/files/take\n1 100%\xff (2).rep"), "odd bytes again");
    EXPECT_EQ(Names(home / "data/Trash/info").size(), 2U);
}

TEST(HomeTrash, WithoutAHomeNothingIsMovedAndNothingIsMadeWhereItRuns) {
    TempDir dir;
    WriteFile(dir / "take.rep", "a recording");
    const fs::path was = fs::current_path();
    fs::current_path(dir.str());
    for (const std::string& home : {std::string(), std::string("relative/Trash")}) {
        FreedesktopTrash trash(home);
        std::string why;
        EXPECT_FALSE(trash.MoveToTrash(dir / "take.rep", why)) << home;
        EXPECT_NE(why.find("HOME"), std::string::npos) << why;
    }
    fs::current_path(was);
    EXPECT_EQ(Names(dir.str()), std::vector<std::string>{"take.rep"});
}

} // namespace
} // namespace clipwarden::test
