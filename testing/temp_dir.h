#pragma once
// A folder of a test's own: made afresh under $TMPDIR (/tmp without it) by the process that uses it, so
// that it belongs to whoever the test runs as, and removed with everything in it when the object goes,
// whatever the test left there: a failed assertion half-way, a folder made read-only, a named pipe; or, at
// the latest, when the process ends through exit().

#include <filesystem>
#include <string>
#include <string_view>

namespace veltane::test {

class TempDir {
 public:
  // Named prefix and six random characters, in base when one is given. Throws std::system_error when no
  // folder can be made, which fails the test that wanted it.
  explicit TempDir(std::string_view prefix = "veltane-", const std::filesystem::path& base = {});
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string String() const { return m_path.string(); }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

}  // namespace veltane::test
