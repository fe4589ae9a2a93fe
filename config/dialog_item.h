#pragma once
// Controls of a dialog window found by their template id, as the controls of a dialog are.

class QWidget;

namespace veltane::config {

void SetDlgItemId(QWidget& control, int id);

// The child of the dialog window with this id, or nullptr. Controls without an id of their own share
// the static id and are never looked up by it.
QWidget* GetDlgItem(const QWidget& dialogWindow, int id);

}  // namespace veltane::config
