#pragma once

namespace clipwarden::layout {

// The two windows' geometry in twips (1/1440 inch), the one table the Qt windows, the Win32
// windows and the GUI tests all read. Places are within the client area.

/** A control: its name (the Qt object name) and its place. */
struct Control {
    const char* name;
    int left;
    int top;
    int width;
    int height;
};

/** Twips to pixels on a screen of `dpi` dots per inch, rounded to the nearest pixel. */
constexpr int Pixels(int twips, int dpi = 96) {
    return (twips * dpi + 720) / 1440;
}

namespace main_window {
inline constexpr int kWidth = 4815;
inline constexpr int kHeight = 4140;
inline constexpr Control kStatusLabel{"statusLabel", 1200, 60, 2535, 255};
inline constexpr Control kUpperRule{"upperRule", 0, 300, 4815, 15};
inline constexpr Control kVersion10Button{"version10Button", 1080, 380, 1335, 195};
inline constexpr Control kVersion11Button{"version11Button", 1080, 580, 1335, 195};
inline constexpr Control kOptionsButton{"optionsButton", 2880, 440, 1215, 255};
inline constexpr Control kLowerRule{"lowerRule", 0, 840, 4815, 15};
inline constexpr Control kReplayFolderLabel{"replayFolderLabel", 0, 960, 1095, 255};
inline constexpr Control kReplayFolderBox{"replayFolderBox", 90, 1200, 3090, 285};
inline constexpr Control kChooseReplayFolderButton{"chooseReplayFolderButton", 3240, 1200, 615,
                                                   315};
inline constexpr Control kLibraryButton{"libraryButton", 3915, 1200, 840, 315};
inline constexpr Control kLogLabel{"logLabel", 0, 1680, 375, 255};
inline constexpr Control kLogList{"logList", 0, 1920, 4815, 2205};
} // namespace main_window

namespace options_window {
inline constexpr int kWidth = 4095;
inline constexpr int kHeight = 1140;
// Wider than the form designer drew it, which cut "GTA:VC folder :"; in the same place.
inline constexpr Control kGameFolderLabel{"gameFolderLabel", 120, 120, 1455, 255};
inline constexpr Control kGameFolderBox{"gameFolderBox", 90, 360, 3090, 285};
inline constexpr Control kChooseGameFolderButton{"chooseGameFolderButton", 3240, 360, 615, 315};
inline constexpr Control kAutorunBox{"autorunBox", 120, 840, 3975, 255};
} // namespace options_window

} // namespace clipwarden::layout
