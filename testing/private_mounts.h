#pragma once
// File systems that only this test process sees: a small one that fills up, or one that is read-only, for
// the faults that a user's machine meets and a test cannot make on the machine's own file systems. The
// process takes mount and user namespaces of its own, so that an ordinary user may mount too, and keeps no
// privilege but mounting, so that file permissions hold for it as for anyone.

#include <cstddef>
#include <filesystem>
#include <string>

namespace veltane::test {

// Enters the namespaces; call it before any thread starts, as a process with threads cannot. Empty when it
// worked, else why not: the kernel or a container may refuse user namespaces.
std::string EnterPrivateMounts();

// A file system in memory of at most size bytes, mounted at folder (which stays) while the object lives.
class ScopedMount {
 public:
  ScopedMount(const std::filesystem::path& folder, std::size_t size);
  ~ScopedMount();
  ScopedMount(const ScopedMount&) = delete;
  ScopedMount& operator=(const ScopedMount&) = delete;

  // Empty once it is mounted, else why not.
  const std::string& Error() const { return m_error; }
  // Makes the file system read-only from now on; false when it cannot.
  bool MakeReadOnly();
  // Fills the file system up with a file of this name; false when it cannot.
  bool Fill(const std::string& name);

 private:
  std::filesystem::path m_folder;
  std::string m_error;
};

}  // namespace veltane::test
