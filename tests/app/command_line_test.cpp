#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltane::testing {
namespace {

using app::SaverMode;

TEST(MatchOption, SkipsOnePrefixAndComparesTheWholeRestWithoutCase) {
  struct Case {
    const char* argument;
    const char* option;
    bool matches;
  };
  const Case cases[] = {
      {"c", "c", true},    {"C", "c", true},        {"/c", "c", true},   {"-c", "c", true},
      {"/C", "c", true},   {"s", "s", true},        {"/S", "s", true},   {"-s", "s", true},
      {"--s", "s", false}, {"//s", "s", false},     {"-/s", "s", false}, {"/c:1234", "c", false},
      {"/s2", "s", false}, {"/p:1234", "p", false}, {"/x", "s", false},  {"-", "s", false},
      {"", "s", false},    {"/", "c", false},       {"sc", "s", false},  {"p", "s", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::MatchOption(c.argument, c.option), c.matches)
        << '"' << c.argument << "\" and " << c.option;
  }
}

TEST(SelectMode, OnlyTheFirstArgumentChoosesTheModeAndOnlyTheLettersTakeAPrefixOrEitherCase) {
  struct Case {
    std::vector<std::string> arguments;
    SaverMode mode;
  };
  const Case cases[] = {
      {{"veltane"}, SaverMode::Configuration},
      {{"veltane", "c"}, SaverMode::Configuration},
      {{"veltane", "-C"}, SaverMode::Configuration},
      {{"veltane", "/c", "1234"}, SaverMode::Configuration},
      {{"veltane", "p", "1234"}, SaverMode::Preview},
      {{"veltane", "/P"}, SaverMode::Preview},
      {{"veltane", "-s"}, SaverMode::FullScreen},
      {{"veltane", "/s", "whatever", "more"}, SaverMode::FullScreen},
      {{"veltane", "--s"}, SaverMode::None},
      {{"veltane", "/c:1234"}, SaverMode::None},
      {{"veltane", "/s2"}, SaverMode::None},
      {{"veltane", "/p:1234"}, SaverMode::None},
      {{"veltane", "/x"}, SaverMode::None},
      {{"veltane", "-"}, SaverMode::None},
      {{"veltane", ""}, SaverMode::None},
      {{"veltane", "x", "s"}, SaverMode::None},
      {{"veltane", "//s"}, SaverMode::None},
      {{"veltane", "-root"}, SaverMode::RootWindow},
      {{"veltane", "-root=1"}, SaverMode::None},
      {{"veltane", "--root", "--window-id", "0x50d"}, SaverMode::RootWindow},
      {{"veltane", "/root"}, SaverMode::None},
      {{"veltane", "-Root"}, SaverMode::None},
      {{"veltane", "root"}, SaverMode::None},
      {{"veltane", "--help"}, SaverMode::Help},
      {{"veltane", "-h", "p"}, SaverMode::Help},
      {{"veltane", "-H"}, SaverMode::None},
      {{"veltane", "--HELP"}, SaverMode::None},
      {{"veltane", "--version"}, SaverMode::Version},
      {{"veltane", "-version"}, SaverMode::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::SelectMode(c.arguments), c.mode)
        << '"' << c.arguments[c.arguments.size() > 1 ? 1 : 0] << '"';
  }
}

TEST(ReadDecimalHandle, ReadsAsAtolDoesAndWrapsInThirtyTwoBits) {
  struct Case {
    const char* text;
    platform::HWND handle;
  };
  const Case cases[] = {
      {"1234", 1234},
      {"+77", 77},
      {"  +77", 77},
      {"\t\n77", 77},
      {"0012x", 12},
      {"-5", 0xFFFFFFFBu},
      {"", 0},
      {"x12", 0},
      {"+", 0},
      {"- 5", 0},
      {"4294967297", 1},
      {"0x1F", 0},
      {"4294967295", 0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ(app::ReadDecimalHandle(c.text), c.handle) << '"' << c.text << '"';
}

TEST(PreviewHostWindow, FallsBackToHexadecimalThenToTheHostsVariable) {
  struct Case {
    const char* argument;
    const char* environment;
    platform::HWND handle;
  };
  const Case cases[] = {
      {"1234", "0x99", 1234},  {"0x1a", nullptr, 0x1a},   {"0X1A", "77", 0x1a},
      {nullptr, "0x2b", 0x2b}, {nullptr, "4242", 4242},   {"abc", "0x2b", 0x2b},
      {"0", "12", 12},         {nullptr, nullptr, 0},     {"", "", 0},
      {"zz", "zz", 0},         {"-5", "12", 0xFFFFFFFBu},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::PreviewHostWindow(c.argument, c.environment), c.handle)
        << (c.argument ? c.argument : "(none)") << " / " << (c.environment ? c.environment : "(none)");
  }
}

TEST(PreviewHandleArgument, IsTheSecondArgumentOrTheOneAfterAWindowIdOption) {
  struct Case {
    std::vector<std::string> arguments;
    const char* handle;
  };
  const Case cases[] = {
      {{"veltane", "p"}, nullptr},
      {{"veltane", "p", "1234"}, "1234"},
      {{"veltane", "p", "1234", "--window-id"}, "1234"},
      {{"veltane", "p", "--window-id", "0x50d"}, "0x50d"},
      {{"veltane", "p", "-window-id", "0x50d"}, "0x50d"},
      {{"veltane", "p", "--window-id"}, nullptr},
      {{"veltane", "p", "--Window-Id", "0x50d"}, "--Window-Id"},  // XScreenSaver writes it in lower case.
  };
  for (const Case& c : cases) {
    const char* handle = app::PreviewHandleArgument(c.arguments);
    if (c.handle == nullptr) {
      EXPECT_EQ(handle, nullptr) << ::testing::PrintToString(c.arguments);
    } else {
      ASSERT_NE(handle, nullptr) << ::testing::PrintToString(c.arguments);
      EXPECT_STREQ(handle, c.handle) << ::testing::PrintToString(c.arguments);
    }
  }
}

}  // namespace
}  // namespace veltane::testing
