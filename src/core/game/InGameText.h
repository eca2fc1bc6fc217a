#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/game/GameMemoryLayout.h"
#include "core/game/GameTextTimer.h"
#include "core/notify/GameTextSink.h"
#include "core/ports/ProcessService.h"

namespace clipwarden {

inline constexpr std::size_t kGameTextLimit = 512; ///< characters kept of a game text
inline constexpr int kGameTextShowTicks = 5;

using TextBlock = std::array<std::byte, kMessageTextBytes>;

/** Shows one text at a time inside the game: written on five ticks, then cleared on the next
 *  one. A new text replaces the one on show and starts its five ticks afresh. */
class InGameText final : public GameTextSink {
public:
    InGameText(ProcessService& processes, GameTextTimer& timer)
        : processes_(processes), timer_(timer) {}

    void Show(const std::string& text) override;

    /** A show tick while ticks are left, else the clear tick that stops the timer. Writes into
     *  `game` at the locations of `layout`: nothing at all without a recognised layout, and
     *  with no game the writes simply have no effect. The ticks count down either way. */
    void GameTextTick(ProcessHandle game, const GameLayout* layout);

    [[nodiscard]] const std::string& pendingText() const { return pendingText_; }
    [[nodiscard]] int ticksLeft() const { return ticksLeft_; }

private:
    ProcessService& processes_;
    GameTextTimer& timer_;
    std::string pendingText_;
    int ticksLeft_ = 0;
};

/** Each character followed by a NUL character: the game reads 16-bit characters. */
std::u32string InterleaveNuls(const std::u32string& text);

/** The 512 bytes written into the game for a text: InterleaveNuls, fitted to 512 characters
 *  with spaces, in Windows-1252 with "?" for characters it lacks. */
TextBlock BuildTextBlock(const std::string& text);

/** The Windows-1252 byte of a character, '?' when the code page lacks it. */
std::byte ToWindows1252(char32_t c);

} // namespace clipwarden
