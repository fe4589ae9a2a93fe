#pragma once
// A widget application for as long as the configuration dialog needs one: the process's own when it has
// one, else one made for the time being and gone again afterwards.

#include <QApplication>
#include <array>
#include <memory>
#include <string>

namespace veltane::config {

class ScopedApplication {
 public:
  explicit ScopedApplication(const std::string& programName);
  ScopedApplication(const ScopedApplication&) = delete;
  ScopedApplication& operator=(const ScopedApplication&) = delete;

  // False when there is no display to show a dialog on, when the application made here runs on a platform
  // that shows nothing (the process's own application may, for tests), or with only a non-widget
  // application.
  bool CanShowDialogs() const { return m_canShowDialogs; }

 private:
  std::array<std::string, 3> m_arguments;
  std::array<char*, 4> m_argv = {};
  int m_argc = 3;
  std::unique_ptr<QApplication> m_application;
  bool m_canShowDialogs = false;
};

}  // namespace veltane::config
