// Linked into every Linux test program: what a test leaves running fails the program.

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Processes.h"

namespace clipwarden::test {
namespace {

/** The test program as the parent of last resort: what a test starts and leaves (a detached
 *  instance, a game whose launcher was killed) is reparented to it rather than to init, so it
 *  can be found and ended. After each test, a stand-in game or a Clipwarden that the test
 *  left running is named, ended, and fails the program. */
class ProcessGuard final : public ::testing::Environment {
public:
    static bool Install() {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        auto* guard = new ProcessGuard();
        ::testing::UnitTest::GetInstance()->listeners().Append(guard->listener_.release());
        ::testing::AddGlobalTestEnvironment(guard);
        return true;
    }

    /** The processes that a test must end itself, whatever started them. */
    static bool MustEnd(const Descendant& process) {
        return !process.zombie && (process.name == "gta-vc.exe" || process.name == "clipwarden" ||
                                   process.name == "clipwarden.exe");
    }

    /** The processes a test has started and not ended yet, apart from what was there when
     *  it began. */
    static std::vector<Descendant> Strays(const std::set<pid_t>& before) {
        std::vector<Descendant> strays;
        for (Descendant& process : DescendantsOf(getpid())) {
            if (before.count(process.pid) == 0 && MustEnd(process)) {
                strays.push_back(std::move(process));
            }
        }
        return strays;
    }

    void TearDown() override {
        EXPECT_TRUE(left_.empty()) << left_ << "Every test ends what it started, by process id.";
    }

private:
    /** Forwards the events to the guard, which gtest owns as an environment. */
    class Listener final : public ::testing::EmptyTestEventListener {
    public:
        explicit Listener(ProcessGuard& guard) : guard_(guard) {}
        void OnTestStart(const ::testing::TestInfo&) override { guard_.Before(); }
        void OnTestEnd(const ::testing::TestInfo& test) override { guard_.After(test); }

    private:
        ProcessGuard& guard_;
    };

    void Before() {
        before_.clear();
        for (const Descendant& process : DescendantsOf(getpid())) {
            before_.insert(process.pid);
        }
    }

    void After(const ::testing::TestInfo& test) {
        // What ended just before the test did may still be on its way out.
        std::vector<Descendant> strays;
        for (int look = 0; look < 40; ++look) {
            strays = Strays(before_);
            if (strays.empty()) {
                break;
            }
            usleep(50'000);
        }
        std::ostringstream said;
        std::vector<pid_t> killed;
        for (const Descendant& stray : strays) {
            said << test.test_suite_name() << "." << test.name() << " left process "
                 << stray.pid << " (" << stray.name << ") running: " << CommandLine(stray.pid)
                 << "\n";
            const std::vector<pid_t> tree = KillTree(stray.pid);
            killed.insert(killed.end(), tree.begin(), tree.end());
        }
        std::cerr << said.str();
        left_ += said.str();
        for (const pid_t pid : killed) {
            Collect(pid);
        }
        CollectOrphans();
    }

    /** Waits for a killed process to be gone: collected here once it is reparented to this
     *  program, or by its own parent. */
    static void Collect(pid_t pid) {
        for (int look = 0; look < 500; ++look) {
            const Descendant process = DescribeProcess(pid);
            if (process.pid == 0) {
                return;
            }
            if (process.parent == getpid() && OwnChildren().count(pid) == 0) {
                waitpid(pid, nullptr, 0);
                return;
            }
            usleep(10'000);
        }
    }

private:
    ProcessGuard() : listener_(std::make_unique<Listener>(*this)) {}

    std::unique_ptr<Listener> listener_;
    std::set<pid_t> before_;
    std::string left_;
};

const bool kInstalled = ProcessGuard::Install();

} // namespace
} // namespace clipwarden::test
