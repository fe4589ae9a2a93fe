#pragma once
// The two dialog templates, carried over control by control: kind, id, text, and place in dialog units.
// The order of the controls is the tab order.

#include <span>

namespace veltane::config {

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int kStaticId = -1;

constexpr int kConfigTemplateId = 131;
constexpr int kAboutTemplateId = 134;
constexpr int kProductIconId = 135;
constexpr int kBurnMinutesEditId = 1000;
constexpr int kAboutButtonId = 1021;
constexpr int kSpeedControlCheckId = 1022;
constexpr int kFrameDelaySliderId = 1027;

enum class ControlKind {
  DefaultPushButton,
  PushButton,
  AutoCheckBox,
  Slider,      // horizontal, ticks on both sides
  GroupBox,
  Edit,
  Text,        // left-aligned, wrapping
  CentredText,
  Icon,        // the product icon at its real size, in a plain border
  SunkenIcon,  // the same in a sunken frame
};

struct ControlTemplate {
  ControlKind kind;
  int id;
  const char* text;
  const char* objectName;
  int x;
  int y;
  int cx;
  int cy;
};

struct DialogTemplate {
  int id;
  const char* caption;
  const char* objectName;
  int cx;
  int cy;
  std::span<const ControlTemplate> controls;
};

const DialogTemplate& ConfigTemplate();
const DialogTemplate& AboutTemplate();

}  // namespace veltane::config
