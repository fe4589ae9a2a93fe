#pragma once
// A fixture that makes a fresh in-memory backend current for each test and keeps a handle on it.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "platform/platform.h"
#include "tests/platform/recording.h"

namespace veltane::platform {

class MemoryFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<MemoryBackend>(Size{800, 600});
    m_backend = backend.get();
    SetBackend(std::move(backend));
  }
  void TearDown() override { SetBackend(nullptr); }

  // Every message waiting, in retrieval order, each taken as GetMessage takes it; stops at the first paint
  // request, which would otherwise recur for ever.
  std::vector<Msg> DrainUntilPaint() {
    std::vector<Msg> taken;
    Msg msg;
    while (PeekMessage(&msg, true)) {
      taken.push_back(msg);
      if (msg.message == WM_PAINT) break;
    }
    return taken;
  }

  MemoryBackend* m_backend = nullptr;
};

}  // namespace veltane::platform
