#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace clipwarden {

/** The key record a low-level keyboard hook receives, field for field. */
struct KeyEvent {
    std::uint32_t vkCode = 0;
    std::uint32_t scanCode = 0;
    std::uint32_t flags = 0;
    std::uint32_t time = 0;
    std::uintptr_t dwExtraInfo = 0;
};

inline constexpr std::uint32_t kFlagExtended = 1;
inline constexpr std::uint32_t kFlagInjected = 16;
inline constexpr std::uint32_t kFlagAltDown = 32;
inline constexpr std::uint32_t kFlagUp = 128;

/** 0 is no hook. */
using HookHandle = std::intptr_t;

/** Passes the event on to the rest of the system and returns its answer. */
using CallNextHook = std::function<std::intptr_t()>;

/** Called for every key event on the GUI thread. */
using HookProc = std::function<std::intptr_t(const KeyEvent&, const CallNextHook&)>;

/** A system-wide keyboard observer: every key event, whichever window has the focus. */
class KeyboardHookService {
public:
    KeyboardHookService() = default;
    virtual ~KeyboardHookService() = default;
    KeyboardHookService(const KeyboardHookService&) = delete;
    KeyboardHookService& operator=(const KeyboardHookService&) = delete;
    KeyboardHookService(KeyboardHookService&&) = delete;
    KeyboardHookService& operator=(KeyboardHookService&&) = delete;

    /** Starts delivering key events to `proc`; 0 when no key source is available, with
     *  `why` saying what the user can do about it. */
    virtual HookHandle Install(HookProc proc, std::string& why) = 0;

    /** Stops delivery; 0 and unknown handles are ignored. */
    virtual void Uninstall(HookHandle hook) = 0;
};

std::unique_ptr<KeyboardHookService> CreateKeyboardHookService();

} // namespace clipwarden
