#pragma once
// Runs a scripted scenario against the current backend and records, step by step, the messages that one
// window is given, so that the in-memory backend can be held to the same messages as a real one, in the
// same order.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/recording.h"

namespace veltane::platform {

using ScenarioSteps = std::vector<std::vector<Msg>>;

class ScenarioRecorder {
 public:
  // With a reference from an earlier run, each step waits for as many messages as the reference holds
  // for it, since a real server's events arrive in their own time. settle lets what a step caused reach
  // the backend before each pump.
  ScenarioRecorder(const ScenarioSteps* reference, std::function<void()> settle)
      : m_reference(reference), m_settle(std::move(settle)) {}

  RecordingWnd& Window() { return m_wnd; }
  void Step(const std::function<void()>& action) {
    const std::size_t before = m_wnd.received.size();
    action();
    const std::size_t expected = m_reference != nullptr && m_steps.size() < m_reference->size()
                                     ? before + (*m_reference)[m_steps.size()].size()
                                     : 0;
    Pump(expected);
    std::vector<Msg>& step = m_steps.emplace_back(
        m_wnd.received.begin() + static_cast<std::ptrdiff_t>(before), m_wnd.received.end());
    // The window's handle differs between backends, so it is left out.
    for (Msg& msg : step) msg.hwnd = 0;
  }
  const ScenarioSteps& Steps() const { return m_steps; }

 private:
  // Dispatches every waiting message; keeps at it until at least atLeast have come, or ten seconds pass.
  void Pump(std::size_t atLeast) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      m_settle();
      Msg msg;
      while (PeekMessage(&msg, true)) DispatchMessage(msg);
      if (m_wnd.received.size() >= atLeast || std::chrono::steady_clock::now() > deadline) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  const ScenarioSteps* m_reference;
  std::function<void()> m_settle;
  RecordingWnd m_wnd;
  ScenarioSteps m_steps;
};

}  // namespace veltane::platform
