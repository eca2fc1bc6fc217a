// Key events from the Linux sources into hook records.

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
    std::uint32_t vk;
    std::uint32_t code;
    bool down;
};

struct Evdev : ::testing::Test {
    int ends[2] = {-1, -1};
    std::vector<Received> received;
    std::unique_ptr<EvdevReader> reader;

    void SetUp() override {
        ASSERT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
        reader = std::make_unique<EvdevReader>(
            ends[0], [this](std::uint32_t vk, std::uint32_t code, bool down, std::uint32_t) {
                received.push_back({vk, code, down});
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
    EXPECT_EQ(received[0].vk, 116U);
    EXPECT_EQ(received[0].code, static_cast<std::uint32_t>(KEY_F5));
    EXPECT_TRUE(received[0].down);
    EXPECT_TRUE(received[1].down) << "an auto-repeat is a press";
    EXPECT_FALSE(received[2].down);
    EXPECT_EQ(received[3].vk, 117U);
    EXPECT_EQ(received[4].vk, static_cast<std::uint32_t>('A'));
}

TEST_F(Evdev, ARecordSplitAcrossReadsArrivesWhole) {
    Send({Event(EV_KEY, KEY_F6, 1), Event(EV_KEY, KEY_F6, 0)}, sizeof(input_event) + 5);
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[1].vk, 117U);
    EXPECT_FALSE(received[1].down);
}

TEST_F(Evdev, TheEndOfTheDeviceIsReported) {
    close(ends[1]);
    ends[1] = -1;
    EXPECT_FALSE(reader->ReadAvailable());
}

TEST(KeyTranslator, ReleasesCarry128AndAltHeldCarries32) {
    KeyTranslator t;
    EXPECT_EQ(t.Translate(116, 0, true, 0).flags, 0U);
    EXPECT_EQ(t.Translate(116, 0, false, 0).flags, 128U);
    t.Translate(kVkLeftAlt, 0, true, 0);
    EXPECT_EQ(t.Translate(116, 0, true, 0).flags, 32U);
    t.Translate(kVkRightAlt, 0, true, 0);
    t.Translate(kVkLeftAlt, 0, false, 0);
    EXPECT_EQ(t.Translate(117, 0, false, 0).flags, 160U) << "the right Alt is still down";
    t.Translate(kVkRightAlt, 0, false, 0);
    EXPECT_EQ(t.Translate(117, 0, true, 0).flags, 0U);
}

TEST(KeyTranslator, CodesOfTheFunctionKeysAndLetters) {
    EXPECT_EQ(VkFromKeysym(XK_F5), 116U);
    EXPECT_EQ(VkFromKeysym(XK_F6), 117U);
    EXPECT_EQ(VkFromKeysym(XK_F1), 112U);
    EXPECT_EQ(VkFromKeysym(XK_q), static_cast<std::uint32_t>('Q'));
    EXPECT_EQ(VkFromKeysym(XK_Alt_R), kVkRightAlt);
    EXPECT_EQ(VkFromKeysym(XK_Shift_L), 0U);
    EXPECT_EQ(VkFromEvdevCode(KEY_F5), 116U);
    EXPECT_EQ(VkFromEvdevCode(KEY_F6), 117U);
    EXPECT_EQ(VkFromEvdevCode(KEY_F12), 123U);
    EXPECT_EQ(VkFromEvdevCode(KEY_LEFTALT), kVkLeftAlt);
    EXPECT_EQ(VkFromEvdevCode(KEY_LEFTSHIFT), 0U);
}

} // namespace
} // namespace clipwarden::test
