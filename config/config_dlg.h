#pragma once
// The configuration dialog: speed control on or off, the per-frame delay on a slider and the burn time
// of the taper in minutes.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QSlider>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace veltane::config {

// The burn time as typed: an unsigned decimal number with blanks and tabs around it and an optional plus
// sign; larger numbers are taken as 4,294,967,295. Empty when the text holds anything else, a minus sign
// included, or no digit.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text);

class ConfigDlg : public QDialog {
 public:
  // applicationName: the caption of the message that refuses a burn time.
  explicit ConfigDlg(std::string applicationName, QWidget* parentWnd = nullptr);

  // Shows the members in the controls and runs the dialog: IDOK once OK has read them back, else IDCANCEL.
  int DoModal();

  std::int32_t FrameDelay = 0;  // milliseconds; the slider, read only by OK
  std::int32_t SpeedControl = 0;
  std::uint32_t BurnMinutes = 0;
  // Called by OK once the members hold the accepted values, while the dialog is still up: stores them, and
  // gives the sentence to show when that failed, else nothing.
  std::function<std::string()> StoreValues;

  // OK: reads the controls into the members, or refuses a burn time that is not a number and stays open.
  void accept() override;

 private:
  void OnAbout();
  // A warning owned by the dialog, with the application's name as its caption.
  void Warn(const QString& text, const char* objectName);

  std::string m_applicationName;
  QCheckBox* m_speedControlCheck = nullptr;
  QSlider* m_frameDelaySlider = nullptr;
  QLineEdit* m_burnMinutesEdit = nullptr;
};

}  // namespace veltane::config
