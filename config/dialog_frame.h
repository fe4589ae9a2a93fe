#pragma once
// What both dialogs are made of: the dialog font, a fixed frame, the product icon (icon 135), and places
// in dialog units, a quarter of the font's average character width across and an eighth of its height
// down, so that a dialog keeps its proportions with any font.

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QRect>

namespace veltane::config {

// The ending codes of DoModal.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct BaseUnits {
  int cx = 0;
  int cy = 0;
};

// number * numerator / denominator with a 64-bit intermediate, rounded half away from zero.
int MulDiv(int number, int numerator, int denominator);

// The font's base units: cx from the advance of the 52 letters (rounded to the nearest whole average),
// cy the font's height, ascent plus descent.
BaseUnits DialogBaseUnits(const QFont& font);

QRect DialogUnitsToPixels(const QRect& dialogUnits, BaseUnits units);

// The font of both dialogs: the desktop's default sans-serif face at 8 points.
QFont DialogFont();

// Both images of the product icon, for window decorations; a null icon when the resource is missing or
// unreadable.
QIcon ProductIcon();

// The icon's 32 x 32 image, as the dialogs show it; a null pixmap when there is none.
QPixmap ProductIconImage();

// Names the dialog and gives it its caption, the product icon, the dialog font, a close button as the only
// button of its frame, and a fixed size of cx by cy dialog units.
void SetUpDialog(QDialog& dialog, const char* objectName, const char* caption, int cx, int cy);

// Centres the dialog over its owner's window, or on its screen without one. Qt's own placement would put
// it up and to the left of the centre, making room for a frame it guesses at.
void Centre(QWidget& dialog, const QWidget* owner);

// Names a control and places it in dialog units of its dialog's font.
template <class Control>
Control* Place(Control* control, const char* objectName, int x, int y, int cx, int cy) {
  control->setObjectName(QLatin1String(objectName));
  control->setGeometry(DialogUnitsToPixels(QRect(x, y, cx, cy), DialogBaseUnits(control->window()->font())));
  return control;
}

// A static text, wrapped, from the top of its place and aligned across as asked.
QLabel* StaticText(QWidget* dialog, const char* text, Qt::Alignment across);

// The 32 x 32 image in a one-pixel frame of this style, at its real size with its top left at x, y; without
// the image, an empty frame of cx by cy.
QLabel* ProductIconControl(QWidget* dialog, int frameStyle, int x, int y, int cx, int cy);

}  // namespace veltane::config
