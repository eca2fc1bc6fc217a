// The Options window's behaviour against a plain view.

#include <gtest/gtest.h>

#include "ServiceRig.h"
#include "forms/FrmOptionsLogic.h"
#include "platform/linux/PosixFileSystem.h"

namespace clipwarden::test {
namespace {

struct Options : ::testing::Test, ServiceRig {
    Options() {
        services.defaultGameFolder =
            "/root/.wine/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City";
    }
    FakeMainView mainView;
    FrmMainLogic main{state, services, mainView};
    FakeOptionsView view;
    FrmOptionsLogic logic{services, main, view};
};

TEST_F(Options, ShowsTheDefaultsWhenNothingIsStored) {
    logic.Form_Load();
    EXPECT_EQ(view.gameDirText, services.defaultGameFolder);
    EXPECT_FALSE(view.check1);
}

TEST_F(Options, TheCheckBoxStoresOneOrZero) {
    view.check1 = true;
    logic.Check1_Click();
    EXPECT_EQ(settings.values["GTAVC-autorun"], "1");
    view.check1 = false;
    logic.Check1_Click();
    EXPECT_EQ(settings.values["GTAVC-autorun"], "0");
}

TEST_F(Options, AFolderWithTheGameIsStoredAndShownByTheNextVisit) {
    WriteFile(dir / "gta-vc.exe", "MZ");
    shell.answers = {dir.str()};
    logic.selectGTADir_Click();
    EXPECT_EQ(shell.asked.at(0).second, "Select your GTA:VC folder:");
    EXPECT_EQ(shell.asked.at(0).first, view.Handle());
    EXPECT_EQ(settings.values["GTAVC-path"], dir.str());
    view.check1 = true;
    logic.Check1_Click();

    FakeOptionsView second;
    FrmOptionsLogic again{services, main, second};
    again.Form_Load();
    EXPECT_EQ(second.gameDirText, dir.str());
    EXPECT_TRUE(second.check1);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Options, AFolderWithoutTheGameOrACancelIsRefusedWithAMessage) {
    settings.values["GTAVC-path"] = "/kept";
    view.gameDirText = "/kept";
    shell.answers = {dir.str()};
    logic.selectGTADir_Click();
    logic.selectGTADir_Click(); // cancelled: "" is tested as "/gta-vc.exe"
    EXPECT_EQ(view.messages,
              (std::vector<std::string>{"gta-vc.exe not found!", "gta-vc.exe not found!"}));
    EXPECT_EQ(settings.values["GTAVC-path"], "/kept");
    EXPECT_EQ(view.gameDirText, "/kept");
}

} // namespace
} // namespace clipwarden::test
