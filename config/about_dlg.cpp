#include "config/about_dlg.h"

#include <QKeyEvent>

namespace veltane::config {

AboutDlg::AboutDlg(QWidget* parentWnd) : QDialog(parentWnd) {
  SetUpDialog(*this, "aboutDlg", "About The Veltane", 181, 88);
  Place(StaticText(this,
                   "The Veltane Screen Saver 1.0.0.2\n"
                   "Copyright (C) 2026 the Veltane authors\n"
                   "See the manual page: man 6 veltane\n"
                   "Free to copy and to pass on unchanged",
                   Qt::AlignHCenter),
        "aboutText", 7, 38, 167, 43);
  ProductIconControl(this, QFrame::Box | QFrame::Plain, 80, 7, 18, 20);
}

// Enter is the OK command, although the box has no button to be its default.
void AboutDlg::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    accept();
  } else {
    QDialog::keyPressEvent(event);
  }
}

}  // namespace veltane::config
