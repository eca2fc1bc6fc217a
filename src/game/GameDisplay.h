#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/AppState.h"
#include "game/GameMemoryLayout.h"
#include "game/StatusView.h"
#include "notify/LogView.h"
#include "platform/ProcessService.h"

namespace clipwarden {

using TextBlock = std::array<std::byte, kMessageTextBytes>;

/** Shows the pending game text inside the game for its ticks, then clears it. */
class GameDisplay {
public:
    GameDisplay(AppState& state, ProcessService& processes, StatusView& options, LogView& timer)
        : state_(state), processes_(processes), options_(options), timer_(timer) {}

    /** Show tick while ticks are left, else the clear tick that switches Timer3 off. */
    void Timer3_Timer();

private:
    void WriteByte(std::uint64_t address, std::byte value);
    void WriteBlock(std::uint64_t address, const TextBlock& block);

    AppState& state_;
    ProcessService& processes_;
    StatusView& options_;
    LogView& timer_;
};

/** Each character followed by a NUL character. */
std::u32string FuckText(const std::u32string& text);

/** The 512 bytes written into the game for a text: FuckText, fitted to 512 characters with
 *  spaces, in Windows-1252 with "?" for characters it lacks. */
TextBlock BuildTextBlock(const std::string& text);

/** The Windows-1252 byte of a character, '?' when the code page lacks it. */
std::byte ToWindows1252(char32_t c);

} // namespace clipwarden
