// Names the updater shares with the launcher and with other copies of itself.
// They are part of the protocol between the programs: spelled byte for byte.
#pragma once

namespace zefo {

// Single-instance mutexes.
inline constexpr wchar_t kLauncherMutexName[] = L"<<<#$&*#^ &&ZLAuNCHER&& ^%$@#!@>>>";
inline constexpr wchar_t kUpdaterMutexName[] = L"<<<^&*()^ &&ZEFOLauncher&& ^%$()_$>>>";

// The message a running launcher is sent when the updater is started again.
inline constexpr char kShowUpMessageName[] = "showup_zlauncher";
inline constexpr wchar_t kLiveModeName[] = L"Live";
inline constexpr wchar_t kStageModeName[] = L"Stage";

// Command line: the restart marker, the launch-token marker and the first
// argument the launcher is given.
inline constexpr wchar_t kRestartArgument[] = L"ZEFO_Restart";
inline constexpr wchar_t kTokenMarker[] = L"TAVRIN";
inline constexpr wchar_t kStarterArgument[] = L"ZEFO_Starter";

// The launcher program, by process name and by build, relative to the
// program folder.
inline constexpr wchar_t kLauncherProcessName[] = L"ZLauncher.exe";
inline constexpr wchar_t kLauncher32Path[] = L"x86\\ZLauncher.exe";
inline constexpr wchar_t kLauncher64Path[] = L"x64\\ZLauncher.exe";

}  // namespace zefo
