#pragma once
// The one pseudo-random sequence of the run loop and the flicker.

#include <cstdint>

namespace veltane::flame {

class RandomSequence {
 public:
  void Seed(std::uint32_t seed) { m_state = seed; }
  // state = state * 214013 + 2531011 (mod 2^32); returns bits 16 to 30 of the new state, 0 to 32767.
  std::int32_t Draw();
  std::int32_t DrawModulo(std::int32_t n) { return Draw() % n; }
  std::uint32_t State() const { return m_state; }

 private:
  std::uint32_t m_state = 1;
};

}  // namespace veltane::flame
