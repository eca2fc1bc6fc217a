// The Options window's behaviour against a plain view.

#include <gtest/gtest.h>

#include "ServiceRig.h"
#include "core/presenters/OptionsPresenter.h"

namespace clipwarden::test {
namespace {

struct Options : ::testing::Test, ServiceRig {
    Options() {
        services.defaultGameFolder =
            "/root/.wine/drive_c/Program Files/Rockstar Games/Grand Theft Auto Vice City";
    }
    FakeMainView mainView;
    MainPresenter main{services, mainView};
    FakeOptionsView view;
    OptionsPresenter presenter{services, main, view};
};

TEST_F(Options, ShowsTheDefaultsWhenNothingIsStored) {
    presenter.ShowStoredValues();
    EXPECT_EQ(view.gameFolder, services.defaultGameFolder);
    EXPECT_FALSE(view.autorun);
}

TEST_F(Options, TheAutorunBoxShowsWhatTheNextStartWillDo) {
    for (const auto& [stored, on] : std::vector<std::pair<std::string, bool>>{
             {"1", true}, {"1.0", true}, {"0", false}, {"0.6", false}, {"1.4", false}}) {
        settings.values["GTAVC-autorun"] = stored;
        presenter.ShowStoredValues();
        EXPECT_EQ(view.autorun, on) << stored;
    }
}

TEST_F(Options, TheAutorunBoxStoresOneOrZero) {
    presenter.OnAutorunToggled(true);
    EXPECT_EQ(settings.values["GTAVC-autorun"], "1");
    presenter.OnAutorunToggled(false);
    EXPECT_EQ(settings.values["GTAVC-autorun"], "0");
}

TEST_F(Options, AFolderWithTheGameIsStoredAndShownByTheNextVisit) {
    WriteFile(dir / "gta-vc.exe", "MZ");
    shell.answers = {dir.str()};
    presenter.OnChooseGameFolder();
    EXPECT_EQ(shell.asked.at(0).title, "Select your GTA:VC folder:");
    EXPECT_EQ(shell.asked.at(0).owner, view.Handle());
    EXPECT_EQ(shell.asked.at(0).start, services.defaultGameFolder)
        << "it opens at the folder shown";
    EXPECT_EQ(settings.values["GTAVC-path"], dir.str());
    presenter.OnAutorunToggled(true);

    FakeOptionsView second;
    OptionsPresenter again{services, main, second};
    again.ShowStoredValues();
    EXPECT_EQ(second.gameFolder, dir.str());
    EXPECT_TRUE(second.autorun);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Options, AFolderWithoutTheGameOrACancelIsRefusedWithAMessage) {
    settings.values["GTAVC-path"] = "/kept";
    view.gameFolder = "/kept";
    shell.answers = {dir.str()};
    presenter.OnChooseGameFolder();
    presenter.OnChooseGameFolder(); // cancelled: "" is tested as "/gta-vc.exe"
    EXPECT_EQ(view.messages,
              (std::vector<std::string>{"gta-vc.exe not found!", "gta-vc.exe not found!"}));
    EXPECT_EQ(settings.values["GTAVC-path"], "/kept");
    EXPECT_EQ(view.gameFolder, "/kept");
}

} // namespace
} // namespace clipwarden::test
