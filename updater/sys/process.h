// Processes: the program's own arguments, starting programs, ending launchers.
#pragma once

#include <string>
#include <vector>

namespace zefo {

// The arguments after the program name, as the runtime split them. Set once
// by main() (Linux: from argv as UTF-8); Windows reads the process's own.
const std::vector<std::wstring>& ProgramArguments();
void SetProgramArguments(std::vector<std::wstring> arguments);

// Folder of the running executable, ending with a separator; "" when unknown.
std::wstring GetModuleFolder();

// Splits a command-line text into arguments the way CommandLineToArgvW
// splits the arguments after the program name: blanks and tabs separate,
// double quotes group, 2n backslashes before a quote become n (the quote
// groups), 2n+1 become n and a literal quote, other backslashes stay.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// Starts `file` with `parameters` (one command-line text, split as Windows
// splits command lines) in `folder` ("" = the current folder), detached from
// this process (ShellExecuteExW on Windows). False when it could not start.
bool StartProgram(const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& folder);

// Ends every process of this user whose executable's file name equals `name`
// exactly (exit code / signal 9), without waiting for them.
void TerminateProcessesByName(const std::wstring& name);

// Sleep(ms).
void SleepMilliseconds(unsigned milliseconds);

}  // namespace zefo
