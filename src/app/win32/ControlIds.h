#pragma once

// Control ids of the Win32 windows; the Wine tests read the controls by these numbers.
namespace clipwarden::win32 {

inline constexpr int kIdStatusLabel = 100;
inline constexpr int kIdUpperRule = 101;
inline constexpr int kIdVersion10Button = 102;
inline constexpr int kIdVersion11Button = 103;
inline constexpr int kIdOptionsButton = 104;
inline constexpr int kIdLowerRule = 105;
inline constexpr int kIdReplayFolderLabel = 106;
inline constexpr int kIdReplayFolderBox = 107;
inline constexpr int kIdChooseReplayFolderButton = 108;
inline constexpr int kIdLogLabel = 109;
inline constexpr int kIdLogList = 110;
inline constexpr int kIdLibraryButton = 111;
inline constexpr int kIdGameFolderBox = 200;
inline constexpr int kIdChooseGameFolderButton = 201;
inline constexpr int kIdGameFolderLabel = 202;
inline constexpr int kIdAutorunBox = 203;
inline constexpr int kIdLibraryFilter = 300;
inline constexpr int kIdLibraryList = 301;
inline constexpr int kIdLibraryStatus = 302;
inline constexpr int kIdLibraryEmpty = 303;
inline constexpr int kIdLibraryHousekeeping = 304;
inline constexpr int kIdLibraryFacts = 305;
inline constexpr int kIdLibrarySketch = 306;
inline constexpr int kIdLibraryChooseFolder = 307;
/** The Library's action buttons, in their order on screen. */
inline constexpr int kIdLibraryLoad = 310;
inline constexpr int kIdLibraryLabel = 311;
inline constexpr int kIdLibraryKeep = 312;
inline constexpr int kIdLibraryTrash = 313;
inline constexpr int kIdLibraryShowInFolder = 314;
inline constexpr int kIdLibraryCancel = 315;
inline constexpr int kIdHousekeepingByNumber = 400;
inline constexpr int kIdHousekeepingMostReplays = 401;
inline constexpr int kIdHousekeepingBySpace = 402;
inline constexpr int kIdHousekeepingSpace = 403;
inline constexpr int kIdHousekeepingUnit = 404;
inline constexpr int kIdHousekeepingByAge = 405;
inline constexpr int kIdHousekeepingDays = 406;
inline constexpr int kIdHousekeepingPreview = 407;
inline constexpr int kIdHousekeepingNote = 408;

inline constexpr int kCaptureTimer = 1;
inline constexpr int kGameLinkTimer = 2;
inline constexpr int kGameTextTimer = 3;
inline constexpr int kCaptureRecheckTimer = 4;

} // namespace clipwarden::win32
