#pragma once
// A widget application for as long as the configuration dialog needs one: the process's own when it has
// one, else one made for the time being and gone again afterwards.

#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace veltane::config {

class ScopedApplication {
 public:
  explicit ScopedApplication(const std::string& programName);
  ~ScopedApplication();
  ScopedApplication(const ScopedApplication&) = delete;
  ScopedApplication& operator=(const ScopedApplication&) = delete;

  // False when there is no display to show a dialog on, when the application made here runs on a platform
  // that shows nothing (the process's own application may, for tests), or with only a non-widget
  // application.
  bool CanShowDialogs() const { return m_canShowDialogs; }

 private:
  std::vector<std::string> m_arguments;
  std::vector<char*> m_argv;
  int m_argc = 0;
  std::unique_ptr<QApplication> m_application;
  bool m_canShowDialogs = false;
};

}  // namespace veltane::config
