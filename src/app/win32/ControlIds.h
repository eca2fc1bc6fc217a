#pragma once

// Control ids of the Win32 windows; the tests read the controls by them.
namespace clipwarden::win32 {

inline constexpr int kIdStatus = 100;    // gtaStatus
inline constexpr int kIdLine0 = 101;     // Line1(0)
inline constexpr int kIdOption1 = 102;   // "GTA:VC v. 1.0"
inline constexpr int kIdOption2 = 103;   // "GTA:VC v. 1.1"
inline constexpr int kIdCommand1 = 104;  // "Options"
inline constexpr int kIdLine1 = 105;     // Line1(1)
inline constexpr int kIdLabel2 = 106;    // "Replay folder :"
inline constexpr int kIdReplayDir = 107; // txtReplayDir
inline constexpr int kIdSelectMyDocs = 108;
inline constexpr int kIdLabel1 = 109; // "Log :"
inline constexpr int kIdList1 = 110;
inline constexpr int kIdGameDir = 200; // txtGTADir
inline constexpr int kIdSelectGameDir = 201;
inline constexpr int kIdOptionsLabel2 = 202;
inline constexpr int kIdCheck1 = 203;

inline constexpr int kTimer1 = 1;
inline constexpr int kTimer2 = 2;
inline constexpr int kTimer3 = 3;

} // namespace clipwarden::win32
