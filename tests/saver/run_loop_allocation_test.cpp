// The run loop allocates nothing per frame. This executable counts every allocation of the process by
// replacing the global allocation functions, which a sanitizer build keeps for itself.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "tests/saver/saver_fixture.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELTANE_OWN_ALLOCATOR 0
#endif
#endif
#if !defined(VELTANE_OWN_ALLOCATOR) && defined(__SANITIZE_ADDRESS__)
#define VELTANE_OWN_ALLOCATOR 0
#endif
#if !defined(VELTANE_OWN_ALLOCATOR)
#define VELTANE_OWN_ALLOCATOR 1
#endif

namespace {

long g_allocations = 0;

}  // namespace

#if VELTANE_OWN_ALLOCATOR
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#endif

namespace veltane::testing {
namespace {

class RunLoopAllocationTest : public SaverFixture {};

TEST_F(RunLoopAllocationTest, FramesAllocateNothing) {
  if (!VELTANE_OWN_ALLOCATOR) GTEST_SKIP() << "the sanitizer keeps the allocation functions for itself";
  ProbeLog log;
  auto* wnd = MakePreview({320, 240}, &log, true);
  const platform::HWND hwnd = wnd->GetSafeHwnd();
  constexpr int kWarmUpFrames = 5;
  constexpr int kCountedFrames = 50;
  int frames = 0;
  long atStart = 0;
  long atEnd = 0;
  // Each poll that finds a drawing is the message step of a new frame; clearing the record keeps its
  // storage, so the watching itself allocates nothing either.
  OnEveryPoll = [&] {
    if (Backend->DrawCalls().empty()) return;
    Backend->ClearDrawCalls();
    ++frames;
    if (frames == kWarmUpFrames) atStart = g_allocations;
    if (frames == kWarmUpFrames + kCountedFrames) {
      atEnd = g_allocations;
      platform::PostMessage(hwnd, platform::WM_CLOSE, 0, 0);
    }
  };

  RunMessageLoop();

  EXPECT_EQ(frames, kWarmUpFrames + kCountedFrames);
  EXPECT_EQ(atEnd - atStart, 0) << "allocations in " << kCountedFrames << " frames";
}

}  // namespace
}  // namespace veltane::testing
