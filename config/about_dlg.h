#pragma once
// The About box: the product's name and version under its icon. It has no buttons; Enter, Escape and
// the close button end it.

#include <QDialog>

#include "config/dialog_frame.h"

namespace veltane::config {

class AboutDlg : public QDialog {
 public:
  explicit AboutDlg(QWidget* parentWnd = nullptr);

  // IDOK after Enter, IDCANCEL after Escape or the close button.
  int DoModal() { return exec() == Accepted ? IDOK : IDCANCEL; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace veltane::config
