#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>

#include <optional>
#include <string>

#include "testing/xvfb_server.h"

namespace veltane::test {
namespace {

bool Accepts(const std::string& displayName) {
  Display* display = XOpenDisplay(displayName.c_str());
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

TEST(XvfbServer, ServersPickTheirOwnDisplaysAndAreGoneWhenDestroyed) {
  std::optional<XvfbServer> first(std::in_place);
  std::optional<XvfbServer> second(std::in_place, XvfbServer::Options{320, 200, 24, {}});
  ASSERT_TRUE(first->Running()) << first->Error();
  ASSERT_TRUE(second->Running()) << second->Error();
  const std::string firstName = first->DisplayName();
  const std::string secondName = second->DisplayName();
  const pid_t firstPid = first->Pid();
  const pid_t secondPid = second->Pid();
  EXPECT_NE(firstName, secondName);
  EXPECT_TRUE(Accepts(firstName));
  Display* display = XOpenDisplay(secondName.c_str());
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(DisplayWidth(display, DefaultScreen(display)), 320);
  EXPECT_EQ(DisplayHeight(display, DefaultScreen(display)), 200);
  XCloseDisplay(display);

  first.reset();
  second->Stop();
  EXPECT_FALSE(second->Running());
  EXPECT_TRUE(second->DisplayName().empty());
  // The display numbers may already serve another test's server, so look at the processes instead.
  EXPECT_EQ(kill(firstPid, 0), -1);
  EXPECT_EQ(kill(secondPid, 0), -1);
}

TEST(XvfbServer, ServerThatCannotStartSaysWhyInsteadOfHanging) {
  // A screen depth that Xvfb refuses makes it exit at once.
  XvfbServer server(XvfbServer::Options{640, 480, 7, {}});
  EXPECT_FALSE(server.Running());
  EXPECT_FALSE(server.Error().empty());
  EXPECT_TRUE(server.DisplayName().empty());
}

}  // namespace
}  // namespace veltane::test
