#include "app/saver_app.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "saver/saver_wnd.h"
#include "tests/saver/saver_fixture.h"

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
      {"c", "c", true},     {"C", "c", true},     {"/c", "c", true},    {"-c", "c", true},
      {"/C", "c", true},    {"s", "s", true},     {"/S", "s", true},    {"-s", "s", true},
      {"--s", "s", false},  {"//s", "s", false},  {"-/s", "s", false},  {"/c:1234", "c", false},
      {"/s2", "s", false},  {"/p:1234", "p", false}, {"/x", "s", false}, {"-", "s", false},
      {"", "s", false},     {"/", "c", false},    {"sc", "s", false},   {"p", "s", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::MatchOption(c.argument, c.option), c.matches) << '"' << c.argument << "\" and " << c.option;
  }
}

TEST(SelectMode, OnlyTheFirstArgumentChoosesTheMode) {
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
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::SelectMode(c.arguments), c.mode) << '"' << c.arguments[c.arguments.size() > 1 ? 1 : 0] << '"';
  }
}

TEST(ReadDecimalHandle, ReadsAsAtolDoesAndWrapsInThirtyTwoBits) {
  struct Case {
    const char* text;
    platform::HWND handle;
  };
  const Case cases[] = {
      {"1234", 1234},      {"+77", 77},         {"  +77", 77},           {"\t\n77", 77},
      {"0012x", 12},       {"-5", 0xFFFFFFFBu}, {"", 0},                 {"x12", 0},
      {"+", 0},            {"- 5", 0},          {"4294967297", 1},       {"0x1F", 0},
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
      {"1234", "0x99", 1234},   {"0x1a", nullptr, 0x1a}, {"0X1A", "77", 0x1a},  {nullptr, "0x2b", 0x2b},
      {nullptr, "4242", 4242},  {"abc", "0x2b", 0x2b},   {"0", "12", 12},        {nullptr, nullptr, 0},
      {"", "", 0},              {"zz", "zz", 0},          {"-5", "12", 0xFFFFFFFBu},
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

class SaverAppTest : public SaverFixture {
 protected:
  void SetUp() override {
    SaverFixture::SetUp();
    App.reset();
    unsetenv("XSCREENSAVER_WINDOW");
  }
  void TearDown() override {
    unsetenv("XSCREENSAVER_WINDOW");
    SaverFixture::TearDown();
  }
  static std::string Decimal(platform::HWND hwnd) { return std::to_string(hwnd); }
};

TEST_F(SaverAppTest, StartUpSetsTheRegistryKeyWhateverTheArguments) {
  for (const char* mode : {"x", "--s"}) {
    Store->SetRegistryKey("Someone Else");
    app::SaverApp saverApp({"veltane", mode});
    EXPECT_FALSE(saverApp.InitInstance());
    EXPECT_EQ(Store->RegistryKey(), "Quillon Screen Savers");
  }
}

TEST_F(SaverAppTest, ArgumentsThatSelectNoWindowEndAtOnceWithCodeZeroAndNoWindow) {
  const std::vector<std::vector<std::string>> argumentLists{
      {"veltane", "/x"}, {"veltane", "--s"}, {"veltane", ""}, {"veltane", "/p:1"}, {"veltane", "/c:1"},
  };
  for (const auto& arguments : argumentLists) {
    const std::size_t windows = Backend->WindowCount();
    app::SaverApp saverApp(arguments);
    EXPECT_EQ(saverApp.Run(), 0);
    EXPECT_EQ(Backend->WindowCount(), windows);
    EXPECT_EQ(saverApp.m_pMainWnd, nullptr);
  }
}

// The test program has no configuration module beside it, so the mode ends at once with a line that
// says so and a code that tells a failure.
TEST_F(SaverAppTest, ConfigurationModeWithoutItsModuleEndsWithAMessageAndNoSaverWindow) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"veltane"}, {"veltane", "c"}, {"veltane", "/C", "1234"}}) {
    const std::size_t windows = Backend->WindowCount();
    app::SaverApp saverApp(arguments);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(saverApp.Run(), 1);
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(message.rfind("veltane: cannot load the configuration dialog: ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
    EXPECT_EQ(Backend->WindowCount(), windows);
  }
}

TEST_F(SaverAppTest, PreviewCoversTheHostsClientAreaAndEndsWithCodeZero) {
  const platform::HWND host = Backend->CreateHostWindow({152, 112});
  app::SaverApp saverApp({"veltane", "p", Decimal(host)});
  int frames = 0;
  OnEveryFrame([&](int frame) {
    frames = frame;
    auto* wnd = saverApp.m_pMainWnd;
    ASSERT_NE(wnd, nullptr);
    platform::Rect client;
    ASSERT_TRUE(Backend->ClientRect(wnd->GetSafeHwnd(), &client));
    EXPECT_EQ(client, (platform::Rect{0, 0, 152, 112}));
    if (frame == 3) platform::PostMessage(wnd->GetSafeHwnd(), platform::WM_CLOSE, 0, 0);
  });

  EXPECT_EQ(saverApp.Run(), 0);
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(saverApp.m_pMainWnd, nullptr);
}

TEST_F(SaverAppTest, PreviewTakesTheHostFromTheEnvironmentWhenTheArgumentNamesNone) {
  const platform::HWND host = Backend->CreateHostWindow({200, 150});
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", host);
  setenv("XSCREENSAVER_WINDOW", hex, 1);
  app::SaverApp saverApp({"veltane", "p"});
  OnEveryFrame([&](int frame) {
    if (frame == 2) Backend->DestroyFromOutside(host);
  });

  EXPECT_EQ(saverApp.Run(), 0);
  EXPECT_FALSE(platform::IsWindow(host));
  EXPECT_GE(FramesDrawn(), 2);
}

TEST_F(SaverAppTest, PreviewTakesTheHostFromTheWindowIdOptionOfTheSettingsPreview) {
  const platform::HWND host = Backend->CreateHostWindow({200, 150});
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", host);
  app::SaverApp saverApp({"veltane", "p", "--window-id", hex});
  OnEveryFrame([&](int frame) {
    if (frame == 2) Backend->DestroyFromOutside(host);
  });

  EXPECT_EQ(saverApp.Run(), 0);
  EXPECT_GE(FramesDrawn(), 2);
}

TEST_F(SaverAppTest, PreviewOfAWindowThatDoesNotExistEndsAtOnce) {
  const std::size_t windows = Backend->WindowCount();
  for (const char* handle : {"12345", "0x7fffffff", "-5", "0"}) {
    app::SaverApp saverApp({"veltane", "p", handle});
    EXPECT_EQ(saverApp.Run(), 0) << handle;
    EXPECT_EQ(Backend->WindowCount(), windows) << handle;
  }
}

TEST_F(SaverAppTest, WindowThatTheSystemRefusesEndsTheProcessAtOnce) {
  const platform::HWND host = Backend->CreateHostWindow({200, 150});
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"veltane", "s"}, {"veltane", "p", Decimal(host)}}) {
    Backend->RefuseNextWindow();
    app::SaverApp saverApp(arguments);
    EXPECT_EQ(saverApp.Run(), 0) << arguments[1];
    EXPECT_EQ(saverApp.m_pMainWnd, nullptr);
  }
}

// Every way a run ends takes its window down before the application's loop ends, so nothing is left for
// the way out.
TEST_F(SaverAppTest, EveryEndingLeavesNoMainWindowForTheWayOut) {
  class WatchedApp : public app::SaverApp {
   public:
    using SaverApp::SaverApp;
    int ExitInstance() override {
      mainWndAtExit = m_pMainWnd;
      return SaverApp::ExitInstance();
    }
    std::optional<platform::Wnd*> mainWndAtExit;
  };
  const std::vector<std::pair<const char*, std::function<void(platform::HWND host, platform::HWND wnd)>>> endings{
      {"key", [this](platform::HWND, platform::HWND wnd) { Backend->InjectKey(wnd, 'Q'); }},
      {"host destroyed", [this](platform::HWND host, platform::HWND) { Backend->DestroyFromOutside(host); }},
      {"close request", [](platform::HWND, platform::HWND wnd) { platform::PostMessage(wnd, platform::WM_CLOSE, 0, 0); }},
  };
  for (const auto& [name, end] : endings) {
    SCOPED_TRACE(name);
    Backend->ClearDrawCalls();
    const platform::HWND host = Backend->CreateHostWindow({200, 150});
    WatchedApp saverApp(std::string(name) == "key" ? std::vector<std::string>{"veltane", "s"}
                                                   : std::vector<std::string>{"veltane", "p", Decimal(host)});
    platform::HWND hwnd = 0;
    OnEveryFrame([&, end = end](int frame) {
      if (frame != 2) return;
      hwnd = saverApp.m_pMainWnd->GetSafeHwnd();
      end(host, hwnd);
    });
    EXPECT_EQ(saverApp.Run(), 0);
    EXPECT_EQ(saverApp.mainWndAtExit, std::optional<platform::Wnd*>(nullptr));
    EXPECT_FALSE(platform::IsWindow(hwnd));
  }
}

TEST_F(SaverAppTest, FullScreenRunsUntilAKeyAndEndsWithCodeZero) {
  app::SaverApp saverApp({"veltane", "s"});
  platform::HWND hwnd = 0;
  OnEveryFrame([&](int frame) {
    if (frame == 1) {
      auto* wnd = dynamic_cast<saver::SaverWnd*>(saverApp.m_pMainWnd);
      ASSERT_NE(wnd, nullptr);
      hwnd = wnd->GetSafeHwnd();
    }
    if (frame == 3) Backend->InjectKey(hwnd, 'Q');
  });

  EXPECT_EQ(saverApp.Run(), 0);
  EXPECT_GE(FramesDrawn(), 3);
  EXPECT_LE(FramesDrawn(), 4);
  EXPECT_FALSE(platform::IsWindow(hwnd));
}

}  // namespace
}  // namespace veltane::testing
