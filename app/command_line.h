#pragma once
// The command line as screen-saver hosts pass it: the mode in the first argument, and for the preview the
// host's window, in the forms that the hosts use; and the answers that a user at a terminal asks for.

#include <span>
#include <string>

#include "platform/win_types.h"

namespace veltane::app {

// RootWindow is the switch that XScreenSaver's display modes take: the preview's rules for the host's
// window, and where they name none, the screen's root window. None: the first argument names no mode.
enum class SaverMode { Configuration, Preview, FullScreen, RootWindow, Help, Version, None };

// True when the argument, with one leading '-' or '/' skipped, equals the option without regard to case.
bool MatchOption(const char* argument, const char* option);
// The mode the arguments select; arguments[0] is the program's name.
SaverMode SelectMode(std::span<const std::string> arguments);
// A window handle read as atol reads a number: leading white space, one optional sign, decimal digits up
// to the first other character, no digits giving 0; the value wraps in 32 bits.
platform::HWND ReadDecimalHandle(const char* text);
// The preview's host window: the second argument by the rule above; where that gives 0, a "0x..." second
// argument read as hexadecimal, or else the window named by environment (hexadecimal "0x..." or decimal),
// as XScreenSaver passes it in $XSCREENSAVER_WINDOW. Either text may be nullptr. 0 when none is named.
platform::HWND PreviewHostWindow(const char* argument, const char* environment);
// The argument that names the preview's host: the second one, or the one after a second argument
// "-window-id" or "--window-id", which XScreenSaver's settings preview appends to the command. nullptr when
// there is none.
const char* PreviewHandleArgument(std::span<const std::string> arguments);

}  // namespace veltane::app
