// Key events from the Linux sources into neutral key events.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <unistd.h>

#include <X11/keysym.h>
#include <vector>

#include "platform/linux/EvdevReader.h"
#include "platform/linux/KeyTranslator.h"

namespace clipwarden::test {
namespace {

struct Received {
    unsigned code;
    bool down;
};

struct Evdev : ::testing::Test {
    int ends[2] = {-1, -1};
    std::vector<Received> received;
    std::unique_ptr<EvdevReader> reader;

    void SetUp() override {
        ASSERT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
        reader = std::make_unique<EvdevReader>(ends[0], [this](unsigned code, bool down) {
            received.push_back({code, down});
        });
    }
    void TearDown() override {
        if (ends[1] >= 0) {
            close(ends[1]);
        }
    }
    static input_event Event(unsigned short type, unsigned short code, int value) {
        input_event event{};
        event.type = type;
        event.code = code;
        event.value = value;
        return event;
    }
    void Send(const std::vector<input_event>& events, std::size_t cut = 0) {
        const auto* bytes = reinterpret_cast<const char*>(events.data());
        const std::size_t size = events.size() * sizeof(input_event);
        const std::size_t first = cut == 0 ? size : cut;
        ASSERT_EQ(write(ends[1], bytes, first), static_cast<ssize_t>(first));
        ASSERT_TRUE(reader->ReadAvailable());
        if (first < size) {
            ASSERT_EQ(write(ends[1], bytes + first, size - first),
                      static_cast<ssize_t>(size - first));
            ASSERT_TRUE(reader->ReadAvailable());
        }
    }
};

TEST_F(Evdev, PressesRepeatsAndReleasesOfKeysOnly) {
    Send({Event(EV_MSC, MSC_SCAN, 0x3f), Event(EV_KEY, KEY_F5, 1), Event(EV_SYN, SYN_REPORT, 0),
          Event(EV_KEY, KEY_F5, 2), Event(EV_KEY, KEY_F5, 0), Event(EV_KEY, KEY_F6, 1),
          Event(EV_KEY, KEY_A, 1), Event(EV_REL, REL_X, 5)});
    ASSERT_EQ(received.size(), 5U);
    EXPECT_EQ(received[0].code, static_cast<unsigned>(KEY_F5));
    EXPECT_TRUE(received[0].down);
    EXPECT_TRUE(received[1].down) << "an auto-repeat is a press";
    EXPECT_FALSE(received[2].down);
    EXPECT_EQ(received[3].code, static_cast<unsigned>(KEY_F6));
    EXPECT_EQ(received[4].code, static_cast<unsigned>(KEY_A));
}

TEST_F(Evdev, ARecordSplitAcrossReadsArrivesWhole) {
    Send({Event(EV_KEY, KEY_F6, 1), Event(EV_KEY, KEY_F6, 0)}, sizeof(input_event) + 5);
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[1].code, static_cast<unsigned>(KEY_F6));
    EXPECT_FALSE(received[1].down);
}

TEST_F(Evdev, TheEndOfTheDeviceIsReported) {
    close(ends[1]);
    ends[1] = -1;
    EXPECT_FALSE(reader->ReadAvailable());
}

TEST(KeyTranslator, EitherAltKeyHeldMarksEveryEvent) {
    KeyTranslator t;
    const KeyEvent plain = t.Translate(LinuxKey::F5, true);
    EXPECT_EQ(plain.key, Key::F5);
    EXPECT_TRUE(plain.pressed);
    EXPECT_FALSE(plain.altHeld);
    EXPECT_FALSE(plain.injected);
    EXPECT_FALSE(t.Translate(LinuxKey::F5, false).pressed);
    t.Translate(LinuxKey::LeftAlt, true);
    EXPECT_TRUE(t.Translate(LinuxKey::F5, true).altHeld);
    t.Translate(LinuxKey::RightAlt, true);
    t.Translate(LinuxKey::LeftAlt, false);
    const KeyEvent release = t.Translate(LinuxKey::F6, false);
    EXPECT_TRUE(release.altHeld) << "the right Alt is still down";
    EXPECT_EQ(release.key, Key::F6);
    t.Translate(LinuxKey::RightAlt, false);
    EXPECT_FALSE(t.Translate(LinuxKey::F6, true).altHeld);
    EXPECT_EQ(t.Translate(LinuxKey::LeftAlt, true).key, Key::Other);
}

TEST(KeyTranslator, KeysymsAndEvdevCodesOfTheKeysThatMatter) {
    EXPECT_EQ(KeyFromKeysym(XK_F5), LinuxKey::F5);
    EXPECT_EQ(KeyFromKeysym(XK_F6), LinuxKey::F6);
    EXPECT_EQ(KeyFromKeysym(XK_F7), LinuxKey::Other);
    EXPECT_EQ(KeyFromKeysym(XK_Alt_R), LinuxKey::RightAlt);
    EXPECT_EQ(KeyFromKeysym(XK_ISO_Level3_Shift), LinuxKey::RightAlt);
    EXPECT_EQ(KeyFromKeysym(XK_Meta_L), LinuxKey::LeftAlt);
    EXPECT_EQ(KeyFromKeysym(XK_Shift_L), LinuxKey::Other);
    EXPECT_EQ(KeyFromEvdevCode(KEY_F5), LinuxKey::F5);
    EXPECT_EQ(KeyFromEvdevCode(KEY_F6), LinuxKey::F6);
    EXPECT_EQ(KeyFromEvdevCode(KEY_LEFTALT), LinuxKey::LeftAlt);
    EXPECT_EQ(KeyFromEvdevCode(KEY_RIGHTALT), LinuxKey::RightAlt);
    EXPECT_EQ(KeyFromEvdevCode(KEY_F4), LinuxKey::Other);
}

} // namespace
} // namespace clipwarden::test
