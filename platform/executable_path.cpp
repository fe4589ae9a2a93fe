#include "platform/executable_path.h"

#include <unistd.h>

#include <string_view>
#include <vector>

namespace veltane::platform {

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  ssize_t length = 0;
  while ((length = ::readlink("/proc/self/exe", buffer.data(), buffer.size())) >= 0 &&
         static_cast<std::size_t>(length) == buffer.size()) {
    buffer.resize(buffer.size() * 2);
  }
  if (length <= 0) return {};
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  // The kernel marks an executable that was replaced or removed since it started; the name stays the same.
  constexpr std::string_view kDeletedMark = " (deleted)";
  if (path.ends_with(kDeletedMark) && ::access(path.c_str(), F_OK) != 0) {
    path.resize(path.size() - kDeletedMark.size());
  }
  return path;
}

}  // namespace veltane::platform
