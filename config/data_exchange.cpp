#include "config/data_exchange.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <cassert>
#include <utility>

#include "config/dialog_item.h"
#include "config/parse_unsigned.h"

namespace veltane::config {
namespace {

// The edit field is read through a buffer of 32 characters, so anything past the 31st is never seen.
constexpr qsizetype kMaxTextRead = 31;

}  // namespace

DataExchange::DataExchange(QWidget& dialogWindow, bool saveAndValidate, std::string messageCaption)
    : SaveAndValidate(saveAndValidate), m_dialogWindow(dialogWindow), m_messageCaption(std::move(messageCaption)) {}

QWidget& DataExchange::Control(int id) const {
  QWidget* control = GetDlgItem(m_dialogWindow, id);
  assert(control != nullptr && "the template has no control with this id");
  return *control;
}

void DataExchange::ReportInvalid(const char* message) const {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(m_messageCaption), QString::fromUtf8(message),
                  QMessageBox::Ok, &m_dialogWindow);
  box.setObjectName(QStringLiteral("invalidInputMessage"));
  box.exec();
}

void DataExchange::Fail(QWidget& control) {
  // The message box has just taken the activation away. The dialog takes it back at once, not when the
  // window system gets round to it: gaining the activation later would clear the selection made here.
  m_dialogWindow.activateWindow();
  QApplication::setActiveWindow(&m_dialogWindow);
  control.setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
    edit->selectAll();
  }
  m_failed = true;
}

void DDX_Check(DataExchange& dx, int id, std::int32_t& value) {
  if (dx.Failed()) {
    return;
  }
  auto* box = qobject_cast<QCheckBox*>(&dx.Control(id));
  assert(box != nullptr);
  if (dx.SaveAndValidate) {
    value = static_cast<std::int32_t>(box->checkState() == Qt::Checked         ? 1
                                      : box->checkState() == Qt::PartiallyChecked ? 2
                                                                                  : 0);
    return;
  }
  if (value < 0 || value > 2) {
    value = 0;
  }
  box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void DDX_Text(DataExchange& dx, int id, std::uint32_t& value) {
  if (dx.Failed()) {
    return;
  }
  auto* edit = qobject_cast<QLineEdit*>(&dx.Control(id));
  assert(edit != nullptr);
  if (!dx.SaveAndValidate) {
    const QString text = QString::number(value);
    if (edit->text() != text) {
      edit->setText(text);
    }
    return;
  }
  const std::optional<std::uint32_t> parsed = ParseUnsigned(edit->text().left(kMaxTextRead).toStdString());
  if (!parsed) {
    dx.ReportInvalid("Please enter a positive integer.");
    dx.Fail(*edit);
    return;
  }
  value = *parsed;
}

}  // namespace veltane::config
