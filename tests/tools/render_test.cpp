// veltane-render run as a user runs it, its frames read back from the files it writes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dib.h"
#include "platform/resources.h"
#include "platform/win_types.h"
#include "testing/temp_dir.h"
#include "tests/tools/png_reader.h"

namespace veltane::render {
namespace {

namespace fs = std::filesystem;

struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y * width + x)];
  }
};

Picture StageImage(int id) {
  platform::DibView dib;
  const std::string name = "#" + std::to_string(id);
  EXPECT_TRUE(
      platform::ParsePackedDib(platform::FindResource(name.c_str(), platform::ResourceType::Bitmap), &dib));
  Picture picture{dib.header.biWidth, dib.header.biHeight, {}};
  picture.pixels.assign(static_cast<std::size_t>(picture.width * picture.height), 0xDEADBEEF);
  platform::BlitDib(dib, 0, 0, {picture.pixels.data(), picture.width, picture.height, picture.width});
  return picture;
}

class RenderTest : public testing::Test {
 protected:
  // Runs the program; returns its exit code and keeps what it wrote on standard error.
  int Render(const std::string& arguments, const fs::path& out) {
    const fs::path errors = m_root / "stderr";
    const std::string command = std::string(VELTANE_RENDER) + " " + arguments + " --out '" + out.string() +
                                "' 2>'" + errors.string() + "'";
    const int status = std::system(command.c_str());
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    m_stderr = text.str();
    fs::remove(errors);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  Picture Frame(const fs::path& dir, int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", number);
    Picture picture;
    picture.pixels = ReadPng(ReadFile(dir / name), &picture.width, &picture.height);
    return picture;
  }

  // The frame's pixels at (x, y) that differ from the image, as a bounding box; empty when none do.
  static platform::Rect Differences(const Picture& frame, const Picture& image, std::int32_t x,
                                    std::int32_t y) {
    platform::Rect box{image.width, image.height, 0, 0};
    for (std::int32_t row = 0; row < image.height; ++row) {
      for (std::int32_t column = 0; column < image.width; ++column) {
        if (frame.At(x + column, y + row) == image.At(column, row)) continue;
        box = {std::min(box.left, column), std::min(box.top, row), std::max(box.right, column + 1),
               std::max(box.bottom, row + 1)};
      }
    }
    return box.right == 0 ? platform::Rect{} : box;
  }

  veltane::test::TempDir m_root;
  // Where the frames go; the program makes the folder.
  const fs::path m_dir = m_root / "frames";
  std::string m_stderr;
};

TEST_F(RenderTest, FirstFrameShowsTheTaperAloneAndTheSecondItsFlame) {
  ASSERT_EQ(Render("--size 320x240 --frames 60 --seed 7", m_dir), 0) << m_stderr;
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir)) ++files;
  EXPECT_EQ(files, 60u);

  const Picture first = Frame(m_dir, 1);
  ASSERT_EQ(first.width, 320);
  ASSERT_EQ(first.height, 240);
  // The first paint blackened the window over the first frame's flame and drew stage 0 centred.
  const Picture stage0 = StageImage(152);
  EXPECT_EQ(Differences(first, stage0, (320 - 179) / 2, (240 - 174) / 2), platform::Rect{});
  std::size_t lit = 0;
  for (std::uint32_t pixel : first.pixels) lit += pixel != 0;
  std::size_t litInImage = 0;
  for (std::uint32_t pixel : stage0.pixels) litInImage += pixel != 0;
  EXPECT_EQ(lit, litInImage);

  // The second frame draws the flame: its changes fit in the 70 x 100 flame image.
  const Picture second = Frame(m_dir, 2);
  platform::Rect changed{320, 240, 0, 0};
  for (std::int32_t y = 0; y < 240; ++y) {
    for (std::int32_t x = 0; x < 320; ++x) {
      if (second.At(x, y) == first.At(x, y)) continue;
      changed = {std::min(changed.left, x), std::min(changed.top, y), std::max(changed.right, x + 1),
                 std::max(changed.bottom, y + 1)};
    }
  }
  ASSERT_GT(changed.right, changed.left) << "no flame in frame 2";
  EXPECT_LE(changed.Width(), 70);
  EXPECT_LE(changed.Height(), 100);
}

TEST_F(RenderTest, BurnTimeZeroAdvancesAStageEveryFrameAndBurnsOutForOne) {
  ASSERT_EQ(Render("--size 640x480 --frames 9 --burn-minutes 0 --seed 3", m_dir), 0) << m_stderr;
  constexpr std::int32_t kImageX = 230;
  constexpr std::int32_t kImageY = 153;
  // Frames 1 to 6 show stages 0 to 5, each drawn after that frame's flame; frame 8 relights at stage 0.
  const int expectedStage[] = {152, 153, 154, 155, 156, 157, 0, 152, 153};
  for (int frame = 1; frame <= 9; ++frame) {
    if (expectedStage[frame - 1] == 0) continue;
    EXPECT_EQ(Differences(Frame(m_dir, frame), StageImage(expectedStage[frame - 1]), kImageX, kImageY),
              platform::Rect{})
        << "frame " << frame;
  }
  // Frame 7 is burned out: no image is drawn, so stage 5 stays, under the dying flame only.
  const platform::Rect flameOnly = Differences(Frame(m_dir, 7), StageImage(157), kImageX, kImageY);
  EXPECT_LE(flameOnly.Width(), 70);
  EXPECT_LE(flameOnly.Height(), 100);
}

TEST_F(RenderTest, StageTimerSurvivesTheWrapOfTheTickCount) {
  ASSERT_EQ(Render("--size 640x480 --frames 3 --burn-minutes 0 --start-tick 4294967290 --seed 1", m_dir), 0)
      << m_stderr;
  EXPECT_EQ(Differences(Frame(m_dir, 2), StageImage(153), 230, 153), platform::Rect{});
  EXPECT_EQ(Differences(Frame(m_dir, 3), StageImage(154), 230, 153), platform::Rect{});
}

TEST_F(RenderTest, SameSeedAndOptionsGiveTheSameBytes) {
  const fs::path again = m_dir / "again";
  ASSERT_EQ(Render("--size 200x180 --frames 40 --every 4 --seed 42 --start-tick 123", m_dir / "once"), 0);
  ASSERT_EQ(Render("--size 200x180 --frames 40 --every 4 --seed 42 --start-tick 123", again), 0);
  std::size_t compared = 0;
  for (const auto& entry : fs::directory_iterator(m_dir / "once")) {
    EXPECT_EQ(ReadFile(entry.path()), ReadFile(again / entry.path().filename())) << entry.path();
    ++compared;
  }
  EXPECT_EQ(compared, 10u);
}

TEST_F(RenderTest, BadOptionsAndUnwritableFoldersExitWithCodeTwoAndAReason) {
  const std::vector<std::string> bad = {"--frames x", "--size 10", "--wobble 1", "--every 0"};
  for (const auto& arguments : bad) {
    EXPECT_EQ(Render(arguments, m_dir), 2) << arguments;
    EXPECT_NE(m_stderr.find("veltane-render: "), std::string::npos) << arguments;
  }
  EXPECT_EQ(Render("--frames 2", "/proc/veltane-render-test"), 2);
  EXPECT_NE(m_stderr.find("cannot write"), std::string::npos) << m_stderr;
  EXPECT_FALSE(fs::exists(m_dir));
}

}  // namespace
}  // namespace veltane::render
