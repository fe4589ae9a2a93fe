#include "platform/virtual_keys.h"

namespace veltane::platform {

namespace {

struct KeyRange {
  std::uint32_t first;
  std::uint32_t last;
  WPARAM firstKey;
};

// Keysym ranges with their names as X11 gives them, and the virtual-key code of each range's first key.
constexpr KeyRange kKeyRanges[] = {
    {0xFF08, 0xFF09, 0x08},  // BackSpace, Tab
    {0xFF0D, 0xFF0D, 0x0D},  // Return
    {0xFF8D, 0xFF8D, 0x0D},  // KP_Enter
    {0xFFE1, 0xFFE1, 0x10},  // Shift_L; the keys of either hand share a code.
    {0xFFE2, 0xFFE2, 0x10},  // Shift_R
    {0xFFE3, 0xFFE3, 0x11},  // Control_L
    {0xFFE4, 0xFFE4, 0x11},  // Control_R
    {0xFFE9, 0xFFE9, 0x12},  // Alt_L
    {0xFFEA, 0xFFEA, 0x12},  // Alt_R
    {0xFFE7, 0xFFE7, 0x12},  // Meta_L
    {0xFFE8, 0xFFE8, 0x12},  // Meta_R
    {0xFF13, 0xFF13, 0x13},  // Pause
    {0xFFE5, 0xFFE5, 0x14},  // Caps_Lock
    {0xFF1B, 0xFF1B, 0x1B},  // Escape
    {0x0020, 0x0020, 0x20},  // space
    {0xFF55, 0xFF56, 0x21},  // Prior, Next
    {0xFF57, 0xFF57, 0x23},  // End
    {0xFF50, 0xFF50, 0x24},  // Home
    {0xFF51, 0xFF54, 0x25},  // Left, Up, Right, Down
    {0xFF63, 0xFF63, 0x2D},  // Insert
    {0xFFFF, 0xFFFF, 0x2E},  // Delete
    {0x0030, 0x0039, '0'},   // 0 to 9
    {0x0061, 0x007A, 'A'},   // a to z
    {0x0041, 0x005A, 'A'},   // A to Z
    {0xFFEB, 0xFFEC, 0x5B},  // Super_L, Super_R
    {0xFF67, 0xFF67, 0x5D},  // Menu
    {0xFFB0, 0xFFB9, 0x60},  // KP_0 to KP_9
    {0xFFBE, 0xFFD5, 0x70},  // F1 to F24
    {0xFF7F, 0xFF7F, 0x90},  // Num_Lock
    {0xFF14, 0xFF14, 0x91},  // Scroll_Lock
};

}  // namespace

WPARAM VirtualKeyFromKeysym(std::uint32_t keysym) {
  for (const KeyRange& range : kKeyRanges) {
    if (keysym >= range.first && keysym <= range.last) return range.firstKey + (keysym - range.first);
  }
  return 0;
}

}  // namespace veltane::platform
