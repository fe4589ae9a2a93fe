#pragma once
// Whole files as text, for the settings tests.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace veltane::settings::test {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Makes the folders on the way when they are missing.
inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace veltane::settings::test
