#include "config/dialog_template.h"

namespace veltane::config {
namespace {

using enum ControlKind;

constexpr ControlTemplate kConfigControls[] = {
    {DefaultPushButton, IDOK, "OK", "okButton", 125, 6, 36, 17},
    {PushButton, IDCANCEL, "Cancel", "cancelButton", 125, 26, 36, 17},
    {PushButton, kAboutButtonId, "About...", "aboutButton", 125, 52, 36, 17},
    {SunkenIcon, kStaticId, "", "iconLabel", 7, 6, 21, 20},
    {AutoCheckBox, kSpeedControlCheckId, "Speed Control On", "speedControlCheck", 37, 16, 72, 11},
    {Slider, kFrameDelaySliderId, "Slider1", "frameDelaySlider", 11, 43, 90, 25},
    {GroupBox, kStaticId, "Flame Speed", "flameSpeedGroup", 7, 33, 99, 37},
    {Edit, kBurnMinutesEditId, "", "burnMinutesEdit", 45, 80, 33, 17},
    {Text, kStaticId, "Burn time:", "burnTimeLabel", 7, 83, 36, 14},
    {Text, kStaticId, "Minutes", "minutesLabel", 83, 83, 26, 14},
};

constexpr ControlTemplate kAboutControls[] = {
    {CentredText, kStaticId,
     "The Veltane Screen Saver 1.0.0.2\n"
     "Copyright (C) 2026 the Veltane authors\n"
     "See the manual page: man 6 veltane\n"
     "Free to copy and to pass on unchanged",
     "aboutText", 7, 38, 167, 43},
    {Icon, kStaticId, "", "iconLabel", 80, 7, 18, 20},
};

constexpr DialogTemplate kConfigTemplate{kConfigTemplateId, "Configure The Veltane", "configDlg", 168, 104,
                                         kConfigControls};
constexpr DialogTemplate kAboutTemplate{kAboutTemplateId, "About The Veltane", "aboutDlg", 181, 88, kAboutControls};

}  // namespace

const DialogTemplate& ConfigTemplate() { return kConfigTemplate; }
const DialogTemplate& AboutTemplate() { return kAboutTemplate; }

}  // namespace veltane::config
