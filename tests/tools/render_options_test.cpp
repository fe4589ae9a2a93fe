#include "tools/render/render_options.h"

#include <gtest/gtest.h>

namespace veltane::render {
namespace {

TEST(RenderOptions, DefaultsNeedOnlyTheOutputFolder) {
  const ParseResult result = ParseRenderOptions({"--out", "frames"});
  ASSERT_TRUE(std::holds_alternative<RenderOptions>(result));
  const auto& options = std::get<RenderOptions>(result);
  EXPECT_EQ(options.width, 640);
  EXPECT_EQ(options.height, 480);
  EXPECT_EQ(options.frames, 300u);
  EXPECT_EQ(options.frameMs, 10u);
  EXPECT_FALSE(options.seed.has_value());
  EXPECT_EQ(options.startTick, 0u);
  EXPECT_EQ(options.burnMinutes, 10u);
  EXPECT_EQ(options.every, 1u);
  EXPECT_EQ(options.scale, 1);
  EXPECT_EQ(options.outDir, "frames");
}

TEST(RenderOptions, EveryOptionIsRead) {
  const ParseResult result = ParseRenderOptions(
      {"--size", "320x240", "--frames", "60", "--frame-ms", "0", "--seed", "-7", "--start-tick", "4294967290",
       "--burn-minutes", "0", "--every", "5", "--scale", "2", "--out", "d"});
  ASSERT_TRUE(std::holds_alternative<RenderOptions>(result));
  const auto& options = std::get<RenderOptions>(result);
  EXPECT_EQ(options.width, 320);
  EXPECT_EQ(options.height, 240);
  EXPECT_EQ(options.frames, 60u);
  EXPECT_EQ(options.frameMs, 0u);
  EXPECT_EQ(options.seed, -7);
  EXPECT_EQ(options.startTick, 4294967290u);
  EXPECT_EQ(options.burnMinutes, 0u);
  EXPECT_EQ(options.every, 5u);
  EXPECT_EQ(options.scale, 2);
}

TEST(RenderOptions, BadCommandLinesAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {},                                     // no --out
      {"--out"},                              // missing value
      {"--out", ""},                          // empty folder
      {"--size", "640", "--out", "d"},        // no x
      {"--size", "0x480", "--out", "d"},      // zero width
      {"--size", "640x480x3", "--out", "d"},  // trailing text
      {"--frames", "0", "--out", "d"},        // nothing to compute
      {"--frames", "-1", "--out", "d"},
      {"--frames", "12abc", "--out", "d"},
      {"--every", "0", "--out", "d"},
      {"--scale", "0", "--out", "d"},
      {"--start-tick", "4294967296", "--out", "d"},  // beyond 32 bits
      {"--colour", "red", "--out", "d"},             // unknown
  };
  for (const auto& args : bad) {
    const ParseResult result = ParseRenderOptions(args);
    ASSERT_TRUE(std::holds_alternative<std::string>(result)) << testing::PrintToString(args);
    EXPECT_FALSE(std::get<std::string>(result).empty());
  }
}

TEST(RenderOptions, HelpAsksForUsage) {
  EXPECT_TRUE(std::holds_alternative<UsageRequest>(ParseRenderOptions({"--help"})));
}

}  // namespace
}  // namespace veltane::render
