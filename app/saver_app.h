#pragma once
// The application object: it reads the command line the screen-saver host passes and starts the one
// window of the chosen mode.

#include <span>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/win_types.h"

namespace veltane::app {

enum class SaverMode { Configuration, Preview, FullScreen, None };

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

class SaverApp : public platform::WinApp {
 public:
  explicit SaverApp(std::vector<std::string> arguments);

  // Sets the settings store's key and starts the mode's window. False ends the process at once.
  bool InitInstance() override;

 private:
  bool StartPreview();
  bool StartFullScreen();

  std::vector<std::string> m_arguments;
};

}  // namespace veltane::app
