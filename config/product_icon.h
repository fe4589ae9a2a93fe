#pragma once
// Icon 135, the product icon, from the resources compiled into the program.

#include <QIcon>
#include <QPixmap>

namespace veltane::config {

// Both images of the icon, for window decorations; a null icon when the resource is missing or unreadable.
QIcon ProductIcon();

// The 32 x 32 image, as the dialogs show it; a null pixmap when there is none.
QPixmap ProductIconImage();

}  // namespace veltane::config
