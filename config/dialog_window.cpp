#include "config/dialog_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <algorithm>

#include "config/dialog.h"
#include "config/dialog_item.h"
#include "config/dialog_template.h"
#include "config/dialog_units.h"
#include "config/product_icon.h"

namespace veltane::config {
namespace {

constexpr Qt::WindowFlags kFrameFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QWidget* CreateIcon(QWidget& parent, bool sunken) {
  auto* label = new QLabel(&parent);
  label->setFrameStyle(sunken ? QFrame::Panel | QFrame::Sunken : QFrame::Box | QFrame::Plain);
  label->setLineWidth(1);
  label->setAlignment(Qt::AlignCenter);
  label->setPixmap(ProductIconImage());
  return label;
}

QWidget* CreateControl(QWidget& parent, const ControlTemplate& control) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::DefaultPushButton:
    case ControlKind::PushButton: {
      auto* button = new QPushButton(text, &parent);
      button->setAutoDefault(true);
      button->setDefault(control.kind == ControlKind::DefaultPushButton);
      return button;
    }
    case ControlKind::AutoCheckBox:
      return new QCheckBox(text, &parent);
    case ControlKind::Slider: {
      auto* slider = new QSlider(Qt::Horizontal, &parent);
      slider->setTickPosition(QSlider::TicksBothSides);
      slider->setFocusPolicy(Qt::StrongFocus);
      return slider;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(text, &parent);
    case ControlKind::Edit:
      return new QLineEdit(text, &parent);
    case ControlKind::Text:
    case ControlKind::CentredText: {
      auto* label = new QLabel(text, &parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignTop |
                          (control.kind == ControlKind::Text ? Qt::AlignLeft : Qt::AlignHCenter));
      return label;
    }
    case ControlKind::Icon:
    case ControlKind::SunkenIcon:
      return CreateIcon(parent, control.kind == ControlKind::SunkenIcon);
  }
  return nullptr;
}

// An icon control takes the size of its image, as a static icon control does, and keeps its place.
QRect IconGeometry(const QLabel& label, const QRect& templateRect) {
  const QPixmap pixmap = label.pixmap();
  if (pixmap.isNull()) {
    return templateRect;
  }
  const int frame = label.frameWidth();
  return QRect(templateRect.topLeft(), pixmap.size() + QSize(2 * frame, 2 * frame));
}

}  // namespace

DialogWindow::DialogWindow(Dialog& owner, const DialogTemplate& dialogTemplate)
    : QDialog(nullptr, kFrameFlags), m_owner(owner) {
  setObjectName(QString::fromUtf8(dialogTemplate.objectName));
  setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  setWindowIcon(ProductIcon());
  setFont(DialogFont());
  const BaseUnits units = DialogBaseUnits(font());
  setFixedSize(DialogUnitsToPixels(QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy), units).size());
  CreateControls(dialogTemplate);
}

void DialogWindow::CreateControls(const DialogTemplate& dialogTemplate) {
  const BaseUnits units = DialogBaseUnits(font());
  QList<QWidget*> created;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(*this, control);
    widget->setObjectName(QString::fromUtf8(control.objectName));
    if (control.id != kStaticId) {
      SetDlgItemId(*widget, control.id);
    }
    const QRect rect = DialogUnitsToPixels(QRect(control.x, control.y, control.cx, control.cy), units);
    auto* label = qobject_cast<QLabel*>(widget);
    const bool isIcon = control.kind == ControlKind::Icon || control.kind == ControlKind::SunkenIcon;
    widget->setGeometry(isIcon ? IconGeometry(*label, rect) : rect);
    if (widget->focusPolicy() & Qt::TabFocus) {
      m_tabStops.append(widget);
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      const int id = control.id;
      connect(button, &QPushButton::clicked, this, [this, id] { m_owner.OnCommand(id); });
    }
    created.append(widget);
  }
  // Earlier controls lie above later ones, so that a group box never covers what it frames.
  for (auto it = created.crbegin(); it != created.crend(); ++it) {
    (*it)->raise();
  }
  for (qsizetype i = 1; i < m_tabStops.size(); ++i) {
    setTabOrder(m_tabStops[i - 1], m_tabStops[i]);
  }
}

QWidget* DialogWindow::FirstTabStop() const { return m_tabStops.isEmpty() ? nullptr : m_tabStops.front(); }

void DialogWindow::reject() { m_owner.OnCommand(IDCANCEL); }

void DialogWindow::accept() { m_owner.OnCommand(IDOK); }

bool DialogWindow::HasDefaultButton() const {
  const QList<QPushButton*> buttons = findChildren<QPushButton*>();
  return std::any_of(buttons.cbegin(), buttons.cend(),
                     [](const QPushButton* button) { return button->isDefault() && button->isVisible(); });
}

// Enter is the OK command even in a dialog without a default button, as in the About box.
void DialogWindow::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (enter && plain && !HasDefaultButton()) {
    m_owner.OnCommand(IDOK);
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace veltane::config
