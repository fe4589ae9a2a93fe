// The real program while the display changes under it: what the server does by itself to the pointer is no
// sign of the user, and the saver runs on until the user moves.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "tests/e2e/x11_e2e_fixture.h"

namespace veltane::test {
namespace {

using namespace std::chrono_literals;

// The foot of the taper, centred on a 2560 x 1600 screen.
constexpr Region kTaperFoot{1190, 853, 179, 30};

class DisplayChangeE2eTest : public X11E2eTest {
 protected:
  DisplayChangeE2eTest() : X11E2eTest({2560, 1600}) {}
};

// The server moves the pointer into the smaller screen and reports that as motion; the position it ends at
// is where the next motion of the user's is measured from.
TEST_F(DisplayChangeE2eTest, APointerThatAShrinkingScreenMovesEndsNothingAndTheNextMotionEndsIt) {
  MovePointer(m_display, 1280, 800);
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return Count(m_root, kTaperFoot, IsWarm) > 500; }));

  ResizeScreen(m_display, 800, 600);

  EXPECT_FALSE(saver.WaitForExit(1s).has_value()) << "the pointer moved by the server ended the saver";
  MovePointer(m_display, 798, 599);
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

}  // namespace
}  // namespace veltane::test
