#pragma once
// Resources compiled into the executable from res/, found by type and numeric id.

#include <cstdint>
#include <span>

namespace veltane::platform {

enum class ResourceType { Bitmap, Icon };

struct ResourceEntry {
  ResourceType type;
  std::int32_t id;
  std::span<const std::uint8_t> data;
};

// The table that the build generates from res/ (library veltane_res).
std::span<const ResourceEntry> EmbeddedResources();

// Finds a resource by the name "#" plus its decimal id, as "#152"; empty when there is none or the name
// is not of that form.
std::span<const std::uint8_t> FindResource(const char* name, ResourceType type);

}  // namespace veltane::platform
