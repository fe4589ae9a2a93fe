#pragma once
// The configuration dialog: speed control on or off, the per-frame delay on a slider and the burn time
// of the taper in minutes.

#include <cstdint>
#include <string>

#include "config/dialog.h"

namespace veltane::config {

class ConfigDlg : public Dialog {
 public:
  // applicationName: the caption of the message that refuses a burn time.
  explicit ConfigDlg(std::string applicationName, QWidget* parentWnd = nullptr);

  std::int32_t FrameDelay = 0;  // milliseconds; the slider, read only by OK
  std::int32_t SpeedControl = 0;
  std::uint32_t BurnMinutes = 0;

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCommand(int id) override;

 private:
  void OnAbout();
};

}  // namespace veltane::config
