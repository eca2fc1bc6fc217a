// The Debian package as a user gets it: built with cpack, opened, its metadata validated and
// its program run.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "TempDir.h"

namespace clipwarden::test {
namespace {

struct Outcome {
    int status = -1;
    std::string output; ///< standard output and standard error together
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Outcome RunCommand(const std::vector<std::string>& args) {
    std::string command;
    for (const auto& arg : args) {
        command += Quoted(arg) + " ";
    }
    command += "2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    std::array<char, 4096> buffer{};
    while (const std::size_t got = fread(buffer.data(), 1, buffer.size(), pipe)) {
        outcome.output.append(buffer.data(), got);
    }
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

constexpr const char* kAppId = "io.github.clipwarden.clipwarden";

struct DebianPackage : ::testing::Test {
    static inline TempDir out;
    static inline std::string deb;
    static inline std::string tree = out / "tree";

    static void SetUpTestSuite() {
        const char* build = std::getenv("CLIPWARDEN_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        const Outcome packed = RunCommand({"cpack", "-G", "DEB", "-B", out.str(), "--config",
                                           std::string(build) + "/CPackConfig.cmake"});
        ASSERT_EQ(packed.status, 0) << packed.output;
        for (const auto& entry : std::filesystem::directory_iterator(out.str())) {
            if (entry.path().extension() == ".deb") {
                deb = entry.path().string();
            }
        }
        ASSERT_FALSE(deb.empty()) << packed.output;
        ASSERT_EQ(RunCommand({"dpkg-deb", "-x", deb, tree}).status, 0);
        std::printf("package: %s, %ju bytes\n", deb.c_str(),
                    static_cast<std::uintmax_t>(std::filesystem::file_size(deb)));
    }

    static std::string Field(const std::string& name) {
        std::string value = RunCommand({"dpkg-deb", "-f", deb, name}).output;
        while (!value.empty() && value.back() == '\n') {
            value.pop_back();
        }
        return value;
    }
};

TEST_F(DebianPackage, IsNamedAfterItsVersionAndHoldsTheProgramAndItsDesktopFiles) {
    const std::string version = Field("Version");
    EXPECT_EQ(std::filesystem::path(deb).filename(), "clipwarden_" + version + "_amd64.deb");
    for (const std::string& file :
         {std::string("/usr/bin/clipwarden"),
          std::string("/usr/share/applications/") + kAppId + ".desktop",
          std::string("/usr/share/metainfo/") + kAppId + ".metainfo.xml",
          std::string("/usr/share/icons/hicolor/scalable/apps/clipwarden.svg"),
          std::string("/usr/share/icons/hicolor/32x32/apps/clipwarden.png"),
          std::string("/usr/share/man/man1/clipwarden.1.gz")}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(tree + file)) << file;
    }
    // The packaged program answers as the package says it is.
    const Outcome answered =
        RunCommand({"env", "-u", "DISPLAY", tree + "/usr/bin/clipwarden", "--version"});
    EXPECT_EQ(answered.status, 0);
    EXPECT_EQ(answered.output, "Clipwarden " + version + "\n");
    const Outcome manual = RunCommand({"gzip", "-t", tree + "/usr/share/man/man1/clipwarden.1.gz"});
    EXPECT_EQ(manual.status, 0) << manual.output;
}

TEST_F(DebianPackage, ItsDependenciesAreReadOffTheProgram) {
    const std::string depends = Field("Depends");
    for (const char* library :
         {"libc6 (>=", "libqt6widgets6 (>=", "libqt6core6 (>=", "libxi6 (>=", "qt6-qpa-plugins"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }
    EXPECT_EQ(Field("Package"), "clipwarden");
    EXPECT_EQ(Field("Architecture"), "amd64");
}

TEST_F(DebianPackage, ItsDesktopEntryAndMetainfoValidate) {
    const Outcome entry = RunCommand(
        {"desktop-file-validate", tree + "/usr/share/applications/" + kAppId + ".desktop"});
    EXPECT_EQ(entry.status, 0) << entry.output;
    EXPECT_EQ(entry.output, "") << "not even a hint";
    const Outcome metainfo = RunCommand({"appstreamcli", "validate", "--no-net", "--pedantic",
                                         tree + "/usr/share/metainfo/" + kAppId + ".metainfo.xml"});
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;
    EXPECT_EQ(metainfo.output.find("pedantic:"), std::string::npos) << metainfo.output;
}

} // namespace
} // namespace clipwarden::test
