#pragma once
// The About box: the product's name and version under its icon. It has no buttons; Enter, Escape and
// the close button end it.

#include "config/dialog.h"

namespace veltane::config {

class AboutDlg : public Dialog {
 public:
  explicit AboutDlg(QWidget* parentWnd = nullptr);

 protected:
  void DoDataExchange(DataExchange& dx) override;
};

}  // namespace veltane::config
