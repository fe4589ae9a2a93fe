#pragma once
// A bounded wait for something another process does, polled at a short interval.

#include <chrono>
#include <functional>

namespace veltane::test {

// Polls the condition until it holds or the timeout has passed; true when it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               std::chrono::milliseconds interval = std::chrono::milliseconds(5));

}  // namespace veltane::test
