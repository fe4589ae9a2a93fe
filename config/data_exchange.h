#pragma once
// The data exchange between a dialog's controls and its members, in either direction. A failed
// validation reports itself to the user, puts the focus back on the control and ends the exchange.

#include <cstdint>
#include <string>

class QWidget;

namespace veltane::config {

class DataExchange {
 public:
  // saveAndValidate: true reads the controls into the members, false shows the members in the controls.
  DataExchange(QWidget& dialogWindow, bool saveAndValidate, std::string messageCaption);

  const bool SaveAndValidate;

  // The control with this id; a template without it is a programming error.
  QWidget& Control(int id) const;
  // Tells the user what is wrong, owned by the dialog, with the warning icon and an OK button.
  void ReportInvalid(const char* message) const;
  // Gives the control the focus with all its text selected and ends the exchange.
  void Fail(QWidget& control);
  bool Failed() const { return m_failed; }

 private:
  QWidget& m_dialogWindow;
  std::string m_messageCaption;
  bool m_failed = false;
};

// A check box and an integer: 0 unchecked, 1 checked, 2 undecided; other numbers show as unchecked.
void DDX_Check(DataExchange& dx, int id, std::int32_t& value);

// An edit field and an unsigned number, shown as "%u"; a text that is not one is refused.
void DDX_Text(DataExchange& dx, int id, std::uint32_t& value);

}  // namespace veltane::config
