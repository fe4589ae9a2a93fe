#include "flame/random_sequence.h"

namespace veltane::flame {
namespace {

constexpr std::uint32_t kMultiplier = 214013;
constexpr std::uint32_t kIncrement = 2531011;
constexpr int kDrawShift = 16;
constexpr std::uint32_t kDrawMask = 0x7FFF;

}  // namespace

// Unsigned arithmetic wraps modulo 2^32, which is the generator's modulus.
std::int32_t RandomSequence::Draw() {
  m_state = m_state * kMultiplier + kIncrement;
  return static_cast<std::int32_t>((m_state >> kDrawShift) & kDrawMask);
}

}  // namespace veltane::flame
