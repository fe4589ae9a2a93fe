#include "platform/resources.h"

#include <gtest/gtest.h>

#include <string>

namespace veltane::platform {
namespace {

TEST(FindResource, OnlyTheHashAndDecimalFormFindsAnything) {
  const char* const names[] = {nullptr, "", "#", "152", "# 152", "#15a", "#-1", "#+152", "#1234567890123"};
  for (const char* name : names) {
    for (const ResourceType type : {ResourceType::Bitmap, ResourceType::Icon}) {
      EXPECT_TRUE(FindResource(name, type).empty()) << (name == nullptr ? "null" : name);
    }
  }
}

TEST(FindResource, AnAbsentIdFindsNothing) {
  EXPECT_TRUE(FindResource("#999999", ResourceType::Bitmap).empty());
  EXPECT_TRUE(FindResource("#999999", ResourceType::Icon).empty());
}

TEST(FindResource, EveryEmbeddedResourceIsFoundByItsIdAndTypeOnly) {
  for (const ResourceEntry& entry : EmbeddedResources()) {
    if (entry.data.empty()) continue;
    const std::string name = "#" + std::to_string(entry.id);
    const std::span<const std::uint8_t> found = FindResource(name.c_str(), entry.type);
    EXPECT_EQ(found.data(), entry.data.data()) << name;
    EXPECT_EQ(found.size(), entry.data.size()) << name;
    const std::string padded = "#00" + std::to_string(entry.id);
    EXPECT_EQ(FindResource(padded.c_str(), entry.type).data(), entry.data.data()) << padded;
  }
}

}  // namespace
}  // namespace veltane::platform
