#pragma once
// Saver windows that report what happens to them into a log that outlives them.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win_types.h"
#include "saver/flame_wnd.h"
#include "saver/saver_wnd.h"

namespace veltane::testing {

// What a probe window reports. It lives outside the window object, which may delete itself.
struct ProbeLog {
  std::vector<platform::UINT> defaulted;    // Messages that reached default processing.
  std::vector<platform::Msg> userMessages;  // Private messages other than the start message.
  std::vector<int> userMessageFrames;       // The flame frames drawn when each of them arrived.
  std::int32_t quitFlagAtDestroy = -1;
  bool deleted = false;
  bool runningWhenDeleted = false;
  std::function<int()> frames;
};

// A saver window that reports its default processing, its private messages and its deletion.
template <typename Base>
class Probe : public Base {
 public:
  template <typename... Args>
  explicit Probe(ProbeLog* log, Args... args) : Base(args...), m_log(log) {}
  ~Probe() override {
    m_log->deleted = true;
    m_log->runningWhenDeleted = this->CurrentRun() != nullptr;
  }

 protected:
  platform::LRESULT DefWindowProc(platform::UINT message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override {
    m_log->defaulted.push_back(message);
    return Base::DefWindowProc(message, wParam, lParam);
  }
  platform::LRESULT OnDestroy() override {
    const platform::LRESULT result = Base::OnDestroy();
    m_log->quitFlagAtDestroy = this->QuitFlag;
    return result;
  }
  platform::LRESULT OnUserMessage(platform::UINT message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override {
    if (message != saver::StartMessage) {
      m_log->userMessages.push_back({this->GetSafeHwnd(), message, wParam, lParam});
      m_log->userMessageFrames.push_back(m_log->frames ? m_log->frames() : 0);
    }
    return Base::OnUserMessage(message, wParam, lParam);
  }

 private:
  ProbeLog* m_log;
};

using ProbeFlameWnd = Probe<saver::FlameWnd>;
using ProbeSaverWnd = Probe<saver::SaverWnd>;

}  // namespace veltane::testing
