#include "platform/virtual_keys.h"

#include <gtest/gtest.h>

namespace veltane::platform {
namespace {

TEST(VirtualKeys, KeysOfEitherHandShareTheirCodeAndRangesCountOn) {
  struct Case {
    std::uint32_t keysym;
    WPARAM key;
  };
  const Case cases[] = {
      {0xFFE1, 0x10}, {0xFFE2, 0x10},  // Shift_L, Shift_R
      {0xFFE3, 0x11}, {0xFFE4, 0x11},  // Control_L, Control_R
      {0xFFE9, 0x12}, {0xFFEA, 0x12},  // Alt_L, Alt_R
      {0xFFE7, 0x12}, {0xFFE8, 0x12},  // Meta_L, Meta_R
      {0xFFEB, 0x5B}, {0xFFEC, 0x5C},  // Super_L, Super_R: two codes, as on the original system
      {0x0071, 'Q'},  {0x0051, 'Q'},   // q, Q
      {0xFF54, 0x28}, {0xFFC9, 0x7B},  // Down, F12
      {0x00E9, 0},                     // eacute has no code of its own
  };
  for (const Case& c : cases) EXPECT_EQ(VirtualKeyFromKeysym(c.keysym), c.key) << std::hex << c.keysym;
}

}  // namespace
}  // namespace veltane::platform
