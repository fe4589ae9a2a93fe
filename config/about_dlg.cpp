#include "config/about_dlg.h"

#include "config/dialog_template.h"

namespace veltane::config {

AboutDlg::AboutDlg(QWidget* parentWnd) : Dialog(AboutTemplate(), parentWnd, {}) {}

void AboutDlg::DoDataExchange(DataExchange&) {}

}  // namespace veltane::config
