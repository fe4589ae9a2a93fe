#include "idle/idle_delay.h"

#include <gtest/gtest.h>

namespace veltane::test {
namespace {

using std::chrono::seconds;

// Five minutes by default; on GNOME half of its idle delay under six minutes, so that the saver shows before
// GNOME blanks; a given delay as given, with a warning where GNOME blanks first.
TEST(ChooseDelay, HalvesAShortGnomeDelayAndWarnsOfAGivenOneThatGnomeForestalls) {
  struct Case {
    std::optional<seconds> given;
    seconds gnome;
    seconds delay;
    bool gnomeBlanksFirst;
  };
  const Case cases[] = {
      {std::nullopt, seconds(0), seconds(300), false},   {std::nullopt, seconds(300), seconds(150), false},
      {std::nullopt, seconds(359), seconds(179), false}, {std::nullopt, seconds(360), seconds(300), false},
      {std::nullopt, seconds(900), seconds(300), false}, {std::nullopt, seconds(1), seconds(1), false},
      {seconds(600), seconds(0), seconds(600), false},   {seconds(60), seconds(300), seconds(60), false},
      {seconds(300), seconds(300), seconds(300), true},  {seconds(600), seconds(300), seconds(600), true},
  };
  for (const Case& c : cases) {
    const idle::DelayChoice choice = idle::ChooseDelay(c.given, c.gnome);
    EXPECT_EQ(choice.delay, c.delay) << "given " << (c.given ? c.given->count() : -1) << ", GNOME "
                                     << c.gnome.count();
    EXPECT_EQ(choice.gnomeBlanksFirst, c.gnomeBlanksFirst) << "given " << (c.given ? c.given->count() : -1);
  }
}

}  // namespace
}  // namespace veltane::test
