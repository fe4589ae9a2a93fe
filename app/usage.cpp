#include "app/usage.h"

namespace veltane::app {

namespace {

constexpr const char* kUsage = R"(Usage: veltane [c | s | p [WINDOW] | p --window-id WINDOW | -root]
       veltane --help | --version

A taper burns on a black screen; its flame is a live heat-diffusion simulation.

  c, or nothing    open the settings dialog: speed control and burn time
  s                full screen, until the first key, mouse button or mouse movement
  p [WINDOW]       inside the X window WINDOW, in decimal or as 0x... in hexadecimal,
                   also after --window-id; without one, the window that
                   $XSCREENSAVER_WINDOW names
  -root, --root    in the window that $XSCREENSAVER_WINDOW names, as XScreenSaver and
                   MATE run their display modes; without it, over the whole screen
                   until stopped with SIGTERM
  -h, --help       print this help
  --version        print the version

A mode's letter may carry one leading '-' or '/', in either case: s, S, -s and /s
are the same.
)";

}  // namespace

void PrintUsage(std::FILE* out, const std::string& settingsFile) {
  std::fputs(kUsage, out);
  std::fprintf(out, "Settings: %s\n", settingsFile.c_str());
}

void PrintVersion(std::FILE* out) { std::fputs("veltane " VELTANE_VERSION "\n", out); }

// A control character in the argument would break the one line, so it shows as '?'.
void ReportUnknownArgument(std::FILE* out, const std::string& argument) {
  std::string shown = argument;
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  std::fprintf(out, "veltane: \"%s\" names no mode; try 'veltane --help'\n", shown.c_str());
}

}  // namespace veltane::app
