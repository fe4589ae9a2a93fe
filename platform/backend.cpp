#include "platform/backend.h"

#include <cassert>

#include "platform/message_queue.h"

namespace veltane::platform {
namespace {

std::unique_ptr<Backend>& Current() {
  static std::unique_ptr<Backend> backend;
  return backend;
}

}  // namespace

// A new backend brings new windows, so nothing queued for the old ones may survive it.
void SetBackend(std::unique_ptr<Backend> backend) {
  TheMessageQueue().Clear();
  Current() = std::move(backend);
}

Backend& CurrentBackend() {
  assert(Current() != nullptr);
  return *Current();
}

bool HasBackend() { return Current() != nullptr; }

}  // namespace veltane::platform
