#pragma once
// The window of a Dialog: made from its template, with the controls placed in dialog units of the
// dialog font, and every command handed back to the Dialog.

#include <QDialog>

namespace veltane::config {

class Dialog;
struct DialogTemplate;

class DialogWindow : public QDialog {
 public:
  DialogWindow(Dialog& owner, const DialogTemplate& dialogTemplate);

  // The first control of the template that takes the focus with Tab, or nullptr.
  QWidget* FirstTabStop() const;

  // Escape and the close button arrive here.
  void reject() override;
  void accept() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateControls(const DialogTemplate& dialogTemplate);
  bool HasDefaultButton() const;

  Dialog& m_owner;
  QList<QWidget*> m_tabStops;
};

}  // namespace veltane::config
