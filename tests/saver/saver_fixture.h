#pragma once
// A fixture for the saver windows on the in-memory backend: a private settings store in a temporary
// folder, a clock the test moves, and a driver that runs the message loop while a hook watches the frames.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/backend.h"
#include "platform/memory/memory_backend.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "testing/temp_dir.h"
#include "tests/saver/probe_window.h"

namespace veltane::testing {

class SaverFixture : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kStartTicks = 100000;
  // Far more polls than any test needs; a loop that runs this long has failed to stop.
  static constexpr int kPollLimit = 20000;

  void SetUp() override {
    Store = std::make_unique<settings::SettingsStore>("veltane", m_configHome.String());
    Store->SetRegistryKey(settings::kRegistryKey);
    settings::UseSettingsStore(Store.get());

    auto backend = std::make_unique<platform::MemoryBackend>(platform::Size{1024, 768});
    Backend = backend.get();
    platform::SetBackend(std::move(backend));
    Backend->SetTickCount(kStartTicks);
    Backend->SetCalendarTime(1700000000);
    Backend->SetPollHook([this] { OnPoll(); });
    App = std::make_unique<platform::WinApp>();
  }

  void TearDown() override {
    Backend->SetPollHook({});
    App.reset();
    platform::SetBackend(nullptr);
    settings::UseSettingsStore(nullptr);
  }

  // A preview window inside a new host window of the given client size, made the main window.
  template <typename Window = ProbeFlameWnd, typename... Args>
  Window* MakePreview(platform::Size client, Args... args) {
    Host = Backend->CreateHostWindow(client);
    auto* window = new Window(args...);
    EXPECT_TRUE(window->CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE,
                                          platform::Rect{0, 0, client.width, client.height}, Host, 0,
                                          nullptr));
    App->m_pMainWnd = window;
    return window;
  }

  void WriteSetting(const char* entry, std::int32_t value) {
    ASSERT_TRUE(Store->WriteProfileInt(Store->ProfileName(), entry, value));
  }

  // Flame images drawn so far: one per frame that drew.
  int FramesDrawn() const {
    int frames = 0;
    for (const auto& call : Backend->DrawCalls()) {
      if (call.kind == platform::MemoryBackend::DrawCall::Dib && call.rect.Width() == 70 &&
          call.rect.Height() == 100) {
        ++frames;
      }
    }
    return frames;
  }

  // Calls onFrame(n) once for every frame n (counted from 1) that has drawn its flame, at the first poll
  // after the drawing: the frame's stage step is done and its message step is about to begin.
  void OnEveryFrame(std::function<void(int)> onFrame) {
    OnEveryPoll = [this, onFrame = std::move(onFrame), seen = 0]() mutable {
      const int frames = FramesDrawn();
      while (seen < frames) onFrame(++seen);
    };
  }

  // Runs the application's message loop as the framework does, until the quit message; returns its code.
  int RunMessageLoop() {
    platform::Msg msg;
    while (platform::GetMessage(&msg)) {
      platform::TranslateMessage(msg);
      platform::DispatchMessage(msg);
    }
    return static_cast<int>(msg.wParam);
  }

  // Takes the posted messages that wait, in order, leaving the paint requests where they are.
  std::vector<platform::Msg> TakePostedMessages() {
    std::vector<platform::Msg> taken;
    platform::Msg msg;
    while (platform::PeekMessage(&msg, false) && msg.message != platform::WM_PAINT) {
      platform::PeekMessage(&msg, true);
      taken.push_back(msg);
    }
    return taken;
  }

  // Called at every poll of the queue: every PeekMessage and GetMessage.
  std::function<void()> OnEveryPoll;
  int Polls = 0;

  platform::HWND Host = 0;
  std::unique_ptr<settings::SettingsStore> Store;
  platform::MemoryBackend* Backend = nullptr;
  // The application whose pump the run loop uses; a test may replace it with its own.
  std::unique_ptr<platform::WinApp> App;

 private:
  void OnPoll() {
    ++Polls;
    if (Polls >= kPollLimit) {
      ADD_FAILURE() << "the run loop did not stop";
      std::abort();
    }
    if (OnEveryPoll) OnEveryPoll();
  }

  test::TempDir m_configHome;
};

}  // namespace veltane::testing
