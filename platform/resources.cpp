#include "platform/resources.h"

#include <cstring>

namespace veltane::platform {
namespace {

constexpr std::size_t kMaxIdDigits = 9;  // Every id of nine digits fits a 32-bit signed integer.

// The id of a name "#" plus decimal digits, or -1 when the name is of another form.
std::int32_t ParseResourceName(const char* name) {
  if (name == nullptr || name[0] != '#') return -1;
  const std::size_t digits = std::strlen(name + 1);
  if (digits == 0 || digits > kMaxIdDigits) return -1;
  std::int32_t id = 0;
  for (std::size_t i = 1; i <= digits; ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    id = id * 10 + (name[i] - '0');
  }
  return id;
}

}  // namespace

std::span<const std::uint8_t> FindResource(const char* name, ResourceType type) {
  const std::int32_t id = ParseResourceName(name);
  if (id < 0) return {};
  for (const ResourceEntry& entry : EmbeddedResources()) {
    if (entry.type == type && entry.id == id) return entry.data;
  }
  return {};
}

}  // namespace veltane::platform
