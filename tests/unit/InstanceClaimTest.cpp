// What a start does when Clipwarden runs already, or cannot tell.

#include <gtest/gtest.h>

#include <sstream>

#include "core/presenters/InstanceClaim.h"

namespace clipwarden::test {
namespace {

struct ScriptedInstance final : SingleInstance {
    Claim answer = Claim::Ours;
    std::string holder;
    std::string why;
    int asked = 0;
    int askedForLibrary = 0;
    bool answers = true;
    Claim TryClaim(std::string& h, std::string& w) override {
        h = holder;
        w = why;
        return answer;
    }
    void OnRaiseRequest(std::function<void()>) override {}
    void OnLibraryRequest(std::function<void()>) override {}
    void OnGameHandedOver(std::function<void(ProcessId, ProcessHandle)>) override {}
    void OnNotice(std::function<void(const std::string&)>) override {}
    bool AskToRaise() override {
        ++asked;
        return answers;
    }
    bool AskToShowLibrary() override {
        ++askedForLibrary;
        return answers;
    }
    void Release() override {}
};

TEST(ClaimInstance, ASecondStartAsksTheFirstForwardSaysWhoAndEnds) {
    ScriptedInstance instance;
    instance.answer = SingleInstance::Claim::Taken;
    instance.holder = "4242";
    std::ostringstream err;
    std::string failure;
    EXPECT_FALSE(ClaimInstance(instance, err, failure));
    EXPECT_EQ(instance.asked, 1);
    EXPECT_EQ(err.str(), "Clipwarden is already running (process 4242); its window has been "
                         "brought forward.\n");
    err.str("");
    EXPECT_FALSE(ClaimInstance(instance, err, failure, true));
    EXPECT_EQ(instance.askedForLibrary, 1) << "clipwarden --library asks for the Library";
    EXPECT_EQ(err.str(), "Clipwarden is already running (process 4242); its Library window has "
                         "been brought forward.\n");

    // One that does not answer (its socket could not be bound) is not said to have come.
    instance.answers = false;
    err.str("");
    EXPECT_FALSE(ClaimInstance(instance, err, failure));
    EXPECT_EQ(err.str(), "Clipwarden is already running (process 4242), but it did not answer "
                         "that it came forward (it may run without a display, or not listen): "
                         "switch to its window yourself.\n");
}

TEST(ClaimInstance, AnInstanceThatCannotBeToldStillRunsAndSaysWhy) {
    ScriptedInstance instance;
    instance.answer = SingleInstance::Claim::Failed;
    instance.why = "the folder /ro cannot be created";
    std::ostringstream err;
    std::string failure;
    EXPECT_TRUE(ClaimInstance(instance, err, failure));
    EXPECT_NE(failure.find("the folder /ro cannot be created"), std::string::npos) << failure;
    EXPECT_EQ(instance.asked, 0);
    instance.answer = SingleInstance::Claim::Ours;
    instance.why = "";
    EXPECT_TRUE(ClaimInstance(instance, err, failure));
    EXPECT_EQ(failure, "");
    instance.why = "Clipwarden cannot receive requests";
    EXPECT_TRUE(ClaimInstance(instance, err, failure));
    EXPECT_EQ(failure, instance.why) << "the instance is ours, and the log says what it lacks";
    EXPECT_EQ(err.str(), "");
}

} // namespace
} // namespace clipwarden::test
