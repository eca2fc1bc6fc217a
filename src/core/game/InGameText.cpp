#include "core/game/InGameText.h"

#include <algorithm>

#include "core/Text.h"

namespace clipwarden {

namespace {

// Windows-1252 assigns 0x80-0x9F to these characters; the rest of 0x00-0xFF is Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

void InGameText::Show(const std::string& text) {
    pendingText_ = FirstCharacters(text, kGameTextLimit);
    ticksLeft_ = kGameTextShowTicks;
    timer_.RunGameTextTimer(true);
}

void InGameText::GameTextTick(ProcessHandle game, const GameLayout* layout) {
    const auto write = [&](std::uint64_t address, std::span<const std::byte> bytes) {
        // Never into a game whose executable was not recognised: the addresses would be guesses.
        if (layout != nullptr) {
            processes_.Write(game, address, bytes);
        }
    };
    const auto flag = [&](std::uint64_t address, const std::byte& value) {
        write(address, std::span<const std::byte>(&value, 1));
    };
    const GameLayout none{};
    const GameLayout& at = layout != nullptr ? *layout : none;
    if (ticksLeft_ >= 1) {
        flag(at.messageFlag1, kFlagShowing);
        flag(at.messageFlag2, kFlagShowing);
        const TextBlock block = BuildTextBlock(pendingText_);
        for (std::uint64_t address : at.messageTexts) {
            write(address, block);
        }
        --ticksLeft_;
        return;
    }
    flag(at.messageFlag2, kFlagCleared);
    flag(at.messageFlag1, kFlagCleared);
    const TextBlock blank = BuildTextBlock({});
    for (std::uint64_t address : at.messageTexts) {
        write(address, blank);
    }
    timer_.RunGameTextTimer(false);
}

std::u32string InterleaveNuls(const std::u32string& text) {
    std::u32string result;
    result.reserve(text.size() * 2);
    for (char32_t c : text) {
        result.push_back(c);
        result.push_back(U'\0');
    }
    return result;
}

TextBlock BuildTextBlock(const std::string& text) {
    TextBlock block;
    block.fill(std::byte{0x20});
    const std::u32string wide = InterleaveNuls(DecodeUtf8(text));
    const std::size_t used = std::min(wide.size(), block.size());
    for (std::size_t i = 0; i < used; ++i) {
        block[i] = ToWindows1252(wide[i]);
    }
    return block;
}

std::byte ToWindows1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<std::byte>(c);
    }
    const auto it = std::find(kHighControls.begin(), kHighControls.end(), c);
    if (it != kHighControls.end()) {
        return static_cast<std::byte>(0x80 + (it - kHighControls.begin()));
    }
    return std::byte{'?'};
}

} // namespace clipwarden
