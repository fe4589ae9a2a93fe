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

// What a user at a terminal asks for, and a misspelt mode, which is a failure to be told of rather than a
// saver that ran and ended: each answer on its stream, with its code, and no window.
TEST_F(SaverAppTest, TerminalAnswersGoToTheirStreamWithTheirCodeAndOpenNoWindow) {
  struct Case {
    std::vector<std::string> arguments;
    int code;
    const char* output;  // all of standard output; nullptr: the usage
    const char* error;   // all of standard error
  };
  const Case cases[] = {
      {{"veltane", "--help"}, 0, nullptr, ""},
      {{"veltane", "-h", "s"}, 0, nullptr, ""},
      {{"veltane", "--version"}, 0, "veltane " VELTANE_VERSION "\n", ""},
      {{"veltane", "x"}, 2, "", "veltane: \"x\" names no mode; try 'veltane --help'\n"},
      {{"veltane", "/c:1"}, 2, "", "veltane: \"/c:1\" names no mode; try 'veltane --help'\n"},
      {{"veltane", ""}, 2, "", "veltane: \"\" names no mode; try 'veltane --help'\n"},
      {{"veltane", "line\nbreak"}, 2, "", "veltane: \"line?break\" names no mode; try 'veltane --help'\n"},
  };
  const std::string usage[] = {"Usage: veltane", "--window-id", "-root", "$XSCREENSAVER_WINDOW",
                               "\nSettings: " + Store->FilePath() + "\n"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[1]);
    const std::size_t windows = Backend->WindowCount();
    app::SaverApp saverApp(c.arguments);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(saverApp.Run(), c.code);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.error);
    if (c.output != nullptr) {
      EXPECT_EQ(output, c.output);
    } else {
      for (const std::string& needed : usage) EXPECT_NE(output.find(needed), std::string::npos) << needed;
    }
    EXPECT_EQ(Backend->WindowCount(), windows);
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

TEST_F(SaverAppTest, PreviewAndTheRootSwitchTakeTheHostFromTheEnvironmentWhenTheArgumentNamesNone) {
  for (const char* mode : {"p", "-root", "--root"}) {
    SCOPED_TRACE(mode);
    Backend->ClearDrawCalls();
    const platform::HWND host = Backend->CreateHostWindow({200, 150});
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", host);
    setenv("XSCREENSAVER_WINDOW", hex, 1);
    app::SaverApp saverApp({"veltane", mode});
    OnEveryFrame([&](int frame) {
      if (frame == 2) Backend->DestroyFromOutside(host);
    });

    EXPECT_EQ(saverApp.Run(), 0);
    EXPECT_FALSE(platform::IsWindow(host));
    EXPECT_GE(FramesDrawn(), 2);
  }
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
  const std::vector<std::pair<const char*, std::function<void(platform::HWND host, platform::HWND wnd)>>>
      endings{
          {"key", [this](platform::HWND, platform::HWND wnd) { Backend->InjectKey(wnd, 'Q'); }},
          {"host destroyed",
           [this](platform::HWND host, platform::HWND) { Backend->DestroyFromOutside(host); }},
          {"close request",
           [](platform::HWND, platform::HWND wnd) { platform::PostMessage(wnd, platform::WM_CLOSE, 0, 0); }},
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
