#include "game/GameDisplay.h"

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

void GameDisplay::Timer3_Timer() {
    std::int64_t shift = 0;
    if (options_.IsOption1Selected()) {
        shift = kVersion10Shift;
    }
    if (options_.IsOption2Selected()) {
        shift = 0;
    }
    const auto at = [shift](std::uint64_t address) {
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(address) + shift);
    };
    if (state_.gameTextTicks >= 1) {
        WriteByte(at(kMessageFlag1), kFlagShowing);
        WriteByte(at(kMessageFlag2), kFlagShowing);
        const TextBlock block = BuildTextBlock(state_.pendingGameText);
        for (std::uint64_t address : kMessageTexts) {
            WriteBlock(at(address), block);
        }
        --state_.gameTextTicks;
        return;
    }
    WriteByte(at(kMessageFlag2), kFlagCleared);
    WriteByte(at(kMessageFlag1), kFlagCleared);
    const TextBlock blank = BuildTextBlock({});
    for (std::uint64_t address : kMessageTexts) {
        WriteBlock(at(address), blank);
    }
    timer_.SetTimer3Enabled(false);
}

void GameDisplay::WriteByte(std::uint64_t address, std::byte value) {
    processes_.Write(state_.gameProcess, address, std::span<const std::byte>(&value, 1));
}

void GameDisplay::WriteBlock(std::uint64_t address, const TextBlock& block) {
    processes_.Write(state_.gameProcess, address, block);
}

std::u32string FuckText(const std::u32string& text) {
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
    const std::u32string wide = FuckText(DecodeUtf8(text));
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
