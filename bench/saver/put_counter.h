#pragma once
// Counts the images that reach an X server, from any client: the core PutImage requests and MIT-SHM's
// ShmPutImage, as the server's RECORD extension reports them.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace veltane::bench {

class PutCounter {
 public:
  explicit PutCounter(std::string displayName);
  ~PutCounter();
  PutCounter(const PutCounter&) = delete;
  PutCounter& operator=(const PutCounter&) = delete;

  // Starts counting from 0; false when the server cannot record.
  bool Start();
  // Stops counting and returns the count.
  long Stop();

 private:
  struct State;
  std::string m_displayName;
  std::unique_ptr<State> m_state;
  std::thread m_recorder;
  std::atomic<long> m_count = 0;
  std::atomic<bool> m_started = false;
};

}  // namespace veltane::bench
