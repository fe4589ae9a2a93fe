#pragma once
// A modal dialog made from a template: the window exists only while DoModal runs, and every command
// (the buttons, Enter, Escape, the close button) goes through the same few overridable steps.

#include <memory>
#include <string>

class QWidget;

namespace veltane::config {

class DataExchange;
class DialogWindow;
struct DialogTemplate;

class Dialog {
 public:
  // parentWnd: the owner; without one the dialog is owned by the active window. messageCaption: the
  // caption of the messages that the data exchange shows, the application's name.
  Dialog(const DialogTemplate& dialogTemplate, QWidget* parentWnd, std::string messageCaption);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window, runs it until it ends and returns the ending code: IDOK, IDCANCEL, or -1 when
  // the window could not be created (there is no application to show it).
  int DoModal();

 protected:
  virtual void DoDataExchange(DataExchange& dx);
  // Shows the members in the controls. True puts the focus on the first tab stop.
  virtual bool OnInitDialog();
  // Reads and checks the controls; ends the dialog with IDOK only if that succeeded.
  virtual void OnOK();
  virtual void OnCancel();
  // A push button was pressed, or Enter (IDOK) or Escape (IDCANCEL).
  virtual void OnCommand(int id);

  bool UpdateData(bool saveAndValidate);
  void EndDialog(int result);
  QWidget* GetDlgItem(int id) const;

 private:
  friend class DialogWindow;

  const DialogTemplate& m_template;
  QWidget* m_parentWnd;
  std::string m_messageCaption;
  std::unique_ptr<DialogWindow> m_window;
};

}  // namespace veltane::config
