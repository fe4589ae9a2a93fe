#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "tests/platform/x11_test_fixture.h"

namespace veltane::platform {
namespace {

constexpr int kWindowWidth = 200;
constexpr int kWindowHeight = 150;
constexpr int kFlameWidth = 70;
constexpr int kFlameHeight = 100;
constexpr std::size_t kFlameStride = 212;
constexpr std::uint32_t kBlack = 0x000000;

// A colour that differs from its neighbours in every channel, so that a flipped or shifted row shows.
std::uint32_t Pattern(int x, int y) {
  return static_cast<std::uint32_t>(((x * 3) & 0xFF) << 16 | ((y * 2 + 1) & 0xFF) << 8 |
                                    ((x * 7 + y * 5) & 0xFF));
}

// The 70 x 100 flame-sized bitmap, bottom-up as the flame is stored, showing Pattern with row 0 at the top,
// its colours flipped in the bits of tint.
std::vector<std::uint8_t> FlameBits(std::uint32_t tint = 0) {
  std::vector<std::uint8_t> bits(kFlameStride * kFlameHeight, 0xEE);
  for (int y = 0; y < kFlameHeight; ++y) {
    std::uint8_t* row = bits.data() + static_cast<std::size_t>(kFlameHeight - 1 - y) * kFlameStride;
    for (int x = 0; x < kFlameWidth; ++x) {
      const std::uint32_t rgb = Pattern(x, y) ^ tint;
      row[x * 3] = static_cast<std::uint8_t>(rgb);
      row[x * 3 + 1] = static_cast<std::uint8_t>(rgb >> 8);
      row[x * 3 + 2] = static_cast<std::uint8_t>(rgb >> 16);
    }
  }
  return bits;
}

DibView FlameDib(const std::vector<std::uint8_t>& bits) {
  DibView dib;
  dib.header.biWidth = kFlameWidth;
  dib.header.biHeight = kFlameHeight;
  dib.header.biBitCount = 24;
  dib.header.biCompression = BI_RGB;
  dib.bits = bits;
  return dib;
}

// Every case runs twice: with shared memory, and on a server that does not offer it.
class X11Drawing : public X11Test, public testing::WithParamInterface<bool> {
 protected:
  X11Drawing() : X11Test(GetParam() ? test::XvfbServer::Options{} : WithoutSharedMemory()) {}

  static test::XvfbServer::Options WithoutSharedMemory() {
    test::XvfbServer::Options options;
    options.extraArguments = {"-extension", "MIT-SHM"};
    return options;
  }

  void SetUp() override {
    X11Test::SetUp();
    if (HasFatalFailure()) return;
    host = MakeHost(0, 0, kWindowWidth, kWindowHeight);
    window =
        backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, kWindowWidth, kWindowHeight}, true);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(PollUntil([&] { return !sink.invalidated.empty(); }));
    dc = backend->GetDC(window);
    ASSERT_NE(dc, 0u);
    backend->FillRect(dc, Rect{0, 0, kWindowWidth, kWindowHeight}, kBlack);
  }

  // Checks every pixel of the window, once the backend has sent what was drawn at a refresh of the display:
  // expected(x, y) inside, where given, and black elsewhere.
  template <typename Expected>
  void ExpectWindow(Expected expected) {
    std::vector<std::uint32_t> pixels;
    const auto wrong = [&] {
      pixels = ReadBack(window, kWindowWidth, kWindowHeight);
      int count = 0;
      for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x)
          count += pixels[static_cast<std::size_t>(y * kWindowWidth + x)] != expected(x, y) ? 1 : 0;
      }
      return count;
    };
    if (PollUntil([&] { return wrong() == 0; })) return;
    int reported = 0;
    for (int y = 0; y < kWindowHeight && reported < 5; ++y) {
      for (int x = 0; x < kWindowWidth && reported < 5; ++x) {
        const std::uint32_t got = pixels[static_cast<std::size_t>(y * kWindowWidth + x)];
        if (got == expected(x, y)) continue;
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " not " << expected(x, y);
        ++reported;
      }
    }
    EXPECT_EQ(wrong(), 0);
  }

  Window host = None;
  HWND window = 0;
  HDC dc = 0;
};

TEST_P(X11Drawing, BottomUpImageLandsPixelExactAndClippedAtEveryEdge) {
  const std::vector<std::uint8_t> bits = FlameBits();
  struct Place {
    int x;
    int y;
  };
  for (const Place place : {Place{10, 20}, Place{-30, -40}, Place{160, 90}, Place{-100, 0}, Place{0, 150}}) {
    SCOPED_TRACE(testing::Message() << "at " << place.x << "," << place.y);
    backend->FillRect(dc, Rect{0, 0, kWindowWidth, kWindowHeight}, kBlack);
    backend->DrawDib(dc, place.x, place.y, FlameDib(bits));
    ExpectWindow([&](int x, int y) {
      const int ix = x - place.x;
      const int iy = y - place.y;
      const bool inside = ix >= 0 && ix < kFlameWidth && iy >= 0 && iy < kFlameHeight;
      return inside ? Pattern(ix, iy) : kBlack;
    });
  }
}

TEST_P(X11Drawing, SameImageDrawnAgainShowsItsNewContent) {
  std::vector<std::uint8_t> bits = FlameBits();
  backend->DrawDib(dc, 0, 0, FlameDib(bits));
  // The second frame reuses the image memory of the first; it must show the new bytes, all of them.
  for (std::uint8_t& byte : bits) byte = static_cast<std::uint8_t>(~byte);
  backend->DrawDib(dc, 0, 0, FlameDib(bits));
  ExpectWindow(
      [&](int x, int y) { return x < kFlameWidth && y < kFlameHeight ? ~Pattern(x, y) & 0xFFFFFF : kBlack; });
}

// Another client holds the server while the frames are drawn and polled, as the run loop does, so that what
// goes out at a refresh meanwhile has not been read when the next picture is packed. Each frame, in its own
// place and colours, must show its own pixels once the server resumes: an image may not be written again
// before the server has read it.
TEST_P(X11Drawing, FramesDrawnWhileTheServerIsHeldEachShowTheirOwnPixels) {
  constexpr int kFrames = 12;
  const auto tint = [](int frame) { return 0x10305u * static_cast<std::uint32_t>(frame + 1) & 0xFFFFFF; };
  const auto left = [](int frame) { return frame * 9; };
  const auto top = [](int frame) { return frame % 4 * 15; };
  std::vector<std::vector<std::uint8_t>> frames;
  for (int frame = 0; frame < kFrames; ++frame) frames.push_back(FlameBits(tint(frame)));
  // The first picture goes out, and its image is made with its round trip, before the server is held.
  backend->DrawDib(dc, 0, 0, FlameDib(frames[0]));
  ExpectWindow(
      [&](int x, int y) { return x < kFlameWidth && y < kFlameHeight ? Pattern(x, y) ^ tint(0) : kBlack; });

  XGrabServer(display);
  XSync(display, False);
  std::atomic<bool> drawn = false;
  std::thread drawer([&] {
    RecordingSink events;
    for (int frame = 0; frame < kFrames; ++frame) {
      backend->DrawDib(dc, left(frame), top(frame), FlameDib(frames[frame]));
      backend->PollEvents(events);
      // About a refresh apart, so that more than one picture may go out meanwhile.
      std::this_thread::sleep_for(std::chrono::milliseconds(17));
    }
    drawn = true;
  });
  // A picture waits for the server only once every image is in flight, which may hold the drawer up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (!drawn && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  XUngrabServer(display);
  XSync(display, False);
  drawer.join();

  ExpectWindow([&](int x, int y) {
    for (int frame = kFrames - 1; frame >= 0; --frame) {
      const int ix = x - left(frame);
      const int iy = y - top(frame);
      if (ix >= 0 && ix < kFlameWidth && iy >= 0 && iy < kFlameHeight) return Pattern(ix, iy) ^ tint(frame);
    }
    return kBlack;
  });
}

TEST_P(X11Drawing, TruncatedBitmapDrawsOnlyTheRowsItHolds) {
  std::vector<std::uint8_t> bits = FlameBits();
  // Thirty whole rows and 33 pixels of the next: those are drawn, nothing above them.
  bits.resize(kFlameStride * 30 + 100);
  backend->DrawDib(dc, 0, 0, FlameDib(bits));
  ExpectWindow([&](int x, int y) {
    const bool whole = x < kFlameWidth && y >= kFlameHeight - 30 && y < kFlameHeight;
    const bool part = x < 33 && y == kFlameHeight - 31;
    return whole || part ? Pattern(x, y) : kBlack;
  });
}

TEST_P(X11Drawing, RunLengthImageLandsPixelExactAndLeavesSkippedPixelsAlone) {
  constexpr std::uint32_t kBackground = 0x404040;
  const RgbQuad table[] = {{0, 0, 0xFF, 0}, {0, 0xFF, 0, 0}, {0xFF, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0}};
  const std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, _ = kBackground;
  // Six by four, bottom row first: a run; literal pixels and a run; a run, a jump over two pixels and a
  // run; three literal pixels (padded) and the end of the bitmap, which leaves the rest of the row alone.
  const std::vector<std::uint8_t> bits = {6, 1, 0, 0, 0, 4, 0, 1, 2, 3, 2, 3, 0, 0, 2, 2,
                                          0, 2, 2, 0, 2, 0, 0, 0, 0, 3, 3, 2, 1, 0, 0, 1};
  const std::uint32_t expected[4][6] = {
      {W, B, G, _, _, _}, {B, B, _, _, R, R}, {R, G, B, W, W, W}, {G, G, G, G, G, G}};
  DibView dib;
  dib.header.biWidth = 6;
  dib.header.biHeight = 4;
  dib.header.biBitCount = 8;
  dib.header.biCompression = BI_RLE8;
  dib.colors = table;
  dib.bits = bits;
  struct Place {
    int x;
    int y;
  };
  for (const Place place : {Place{5, 7}, Place{-2, -1}, Place{197, 148}}) {
    SCOPED_TRACE(testing::Message() << "at " << place.x << "," << place.y);
    backend->FillRect(dc, Rect{0, 0, kWindowWidth, kWindowHeight}, kBackground);
    backend->DrawDib(dc, place.x, place.y, dib);
    ExpectWindow([&](int x, int y) {
      const int ix = x - place.x;
      const int iy = y - place.y;
      return ix >= 0 && ix < 6 && iy >= 0 && iy < 4 ? expected[iy][ix] : kBackground;
    });
  }
}

TEST_P(X11Drawing, UnsupportedBitmapsDrawNothing) {
  std::vector<std::uint8_t> bits = FlameBits();
  DibView topDown = FlameDib(bits);
  topDown.header.biHeight = -kFlameHeight;
  DibView sixteenBit = FlameDib(bits);
  sixteenBit.header.biBitCount = 16;
  DibView huge = FlameDib(bits);
  huge.header.biWidth = 1 << 20;
  for (const DibView& dib : {topDown, sixteenBit, huge}) backend->DrawDib(dc, 0, 0, dib);
  ExpectWindow([](int, int) { return kBlack; });
}

TEST_P(X11Drawing, FillRectPaintsItsRectangleOnly) {
  backend->FillRect(dc, Rect{-5, 140, 50, 400}, 0x12AB34);
  backend->FillRect(dc, Rect{100, 10, 90, 20}, 0xFFFFFF);  // Empty: right is left of left.
  ExpectWindow([](int x, int y) { return x < 50 && y >= 140 ? 0x12AB34u : kBlack; });
}

TEST_P(X11Drawing, DrawingIntoAWindowThatHasGoneIsHarmless) {
  const std::vector<std::uint8_t> bits = FlameBits();
  XDestroyWindow(display, host);
  XSync(display, False);
  // The backend has not heard of the destruction yet: the server refuses these, and that is no failure.
  backend->DrawDib(dc, 0, 0, FlameDib(bits));
  backend->FillRect(dc, Rect{0, 0, 10, 10}, kBlack);
  SyncBackend();
  ASSERT_TRUE(PollUntil([&] { return !sink.destroyed.empty(); }));
  EXPECT_EQ(backend->GetDC(window), 0u);
  backend->DrawDib(dc, 0, 0, FlameDib(bits));
  EXPECT_FALSE(backend->NativeWindowExists(window));
}

INSTANTIATE_TEST_SUITE_P(Transport, X11Drawing, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) {
                           return param.param ? "SharedMemory" : "PlainImages";
                         });

}  // namespace
}  // namespace veltane::platform
