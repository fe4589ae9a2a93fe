#pragma once
// Dialog units: the layout unit of the dialog templates, a quarter of the font's average character width
// across and an eighth of its height down, so that a template keeps its proportions with any font.

#include <QFont>
#include <QRect>

namespace veltane::config {

struct BaseUnits {
  int cx = 0;
  int cy = 0;
};

// number * numerator / denominator with a 64-bit intermediate, rounded half away from zero.
int MulDiv(int number, int numerator, int denominator);

// The dialog font's base units: cx from the advance of the 52 letters (rounded to the nearest whole
// average), cy the font's height, ascent plus descent.
BaseUnits DialogBaseUnits(const QFont& font);

// A rectangle of a template, in dialog units, in pixels of a dialog with these base units.
QRect DialogUnitsToPixels(const QRect& dialogUnits, BaseUnits units);

// The font of both dialogs: the desktop's default sans-serif face at 8 points.
QFont DialogFont();

}  // namespace veltane::config
