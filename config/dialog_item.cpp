#include "config/dialog_item.h"

#include <QVariant>
#include <QWidget>

namespace veltane::config {
namespace {

constexpr char kIdProperty[] = "dialogItemId";

}  // namespace

void SetDlgItemId(QWidget& control, int id) { control.setProperty(kIdProperty, id); }

QWidget* GetDlgItem(const QWidget& dialogWindow, int id) {
  for (QWidget* child : dialogWindow.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QVariant value = child->property(kIdProperty);
    if (value.isValid() && value.toInt() == id) {
      return child;
    }
  }
  return nullptr;
}

}  // namespace veltane::config
