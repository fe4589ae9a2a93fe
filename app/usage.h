#pragma once
// What the program says to a user at a terminal: its usage, its version, and the one line for a first
// argument that names no mode.

#include <cstdio>
#include <string>

namespace veltane::app {

// The exit code of a command line that names no mode, as for any other misuse of a command.
inline constexpr int kUsageExitCode = 2;

// The modes, the forms of the preview's window, the root-window switch, and the settings file.
void PrintUsage(std::FILE* out, const std::string& settingsFile);
// "veltane <version>".
void PrintVersion(std::FILE* out);
// One line that quotes the argument and points to --help.
void ReportUnknownArgument(std::FILE* out, const std::string& argument);

}  // namespace veltane::app
