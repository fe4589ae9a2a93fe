#include "config/config_dlg.h"

#include <QSlider>
#include <utility>

#include "config/about_dlg.h"
#include "config/data_exchange.h"
#include "config/dialog_template.h"

namespace veltane::config {
namespace {

constexpr int kFrameDelayMin = 1;
constexpr int kFrameDelayMax = 50;
constexpr int kTickSpacing = 5;

}  // namespace

ConfigDlg::ConfigDlg(std::string applicationName, QWidget* parentWnd)
    : Dialog(ConfigTemplate(), parentWnd, std::move(applicationName)) {}

void ConfigDlg::DoDataExchange(DataExchange& dx) {
  DDX_Check(dx, kSpeedControlCheckId, SpeedControl);
  DDX_Text(dx, kBurnMinutesEditId, BurnMinutes);
}

bool ConfigDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  if (auto* slider = qobject_cast<QSlider*>(GetDlgItem(kFrameDelaySliderId))) {
    slider->setMinimum(kFrameDelayMin);
    slider->setMaximum(kFrameDelayMax);
    // A delay outside the range stands at the nearer end, and OK stores that end.
    slider->setValue(FrameDelay);
    slider->setTickInterval(kTickSpacing);
  }
  return true;
}

void ConfigDlg::OnOK() {
  if (auto* slider = qobject_cast<QSlider*>(GetDlgItem(kFrameDelaySliderId))) {
    FrameDelay = slider->value();
  }
  Dialog::OnOK();
}

void ConfigDlg::OnCommand(int id) {
  if (id == kAboutButtonId) {
    OnAbout();
    return;
  }
  Dialog::OnCommand(id);
}

void ConfigDlg::OnAbout() {
  AboutDlg about;
  about.DoModal();
}

}  // namespace veltane::config
