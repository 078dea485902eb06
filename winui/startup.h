// What a Windows program of this system does before its first window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zefo::winui {

// InitCommonControlsEx with the first-generation control classes (0xFF).
void InitCommonControls();

// Registers `name` as a copy of the system dialog class "#32770", so that
// dialog templates naming it get ordinary dialog windows. False when the
// class could not be registered (and did not exist already).
bool RegisterDialogClass(const wchar_t* name);

// The program's arguments after its name, as CommandLineToArgvW splits them.
std::vector<std::wstring> CommandLineArguments();

}  // namespace zefo::winui
