#include "config/dialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <cassert>
#include <utility>

#include "config/data_exchange.h"
#include "config/dialog_item.h"
#include "config/dialog_template.h"
#include "config/dialog_window.h"

namespace veltane::config {
namespace {

QWidget* ActiveWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    return modal;
  }
  return QApplication::activeWindow();
}

// Centres the window over its owner, or on the screen when it has none.
void Centre(QWidget& window, const QWidget* owner) {
  QRect area;
  if (owner != nullptr) {
    area = owner->window()->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  } else {
    return;
  }
  QRect frame = window.frameGeometry();
  frame.moveCenter(area.center());
  window.move(frame.topLeft());
}

}  // namespace

Dialog::Dialog(const DialogTemplate& dialogTemplate, QWidget* parentWnd, std::string messageCaption)
    : m_template(dialogTemplate), m_parentWnd(parentWnd), m_messageCaption(std::move(messageCaption)) {}

Dialog::~Dialog() = default;

int Dialog::DoModal() {
  assert(m_window == nullptr && "DoModal does not nest on one dialog");
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    return -1;
  }
  QWidget* owner = m_parentWnd != nullptr ? m_parentWnd->window() : ActiveWindow();
  m_window = std::make_unique<DialogWindow>(*this, m_template);
  m_window->setWindowModality(Qt::ApplicationModal);

  // The owner is disabled while the dialog runs; it is the dialog's transient parent rather than its
  // parent widget, or disabling it would disable the dialog too.
  QPointer<QWidget> ownerFocus;
  const bool disableOwner = owner != nullptr && owner->isEnabled();
  if (owner != nullptr) {
    m_window->winId();
    if (QWindow* handle = m_window->windowHandle()) {
      handle->setTransientParent(owner->windowHandle());
    }
    ownerFocus = owner->focusWidget();
  }
  Centre(*m_window, owner);

  if (OnInitDialog()) {
    if (QWidget* first = m_window->FirstTabStop()) {
      first->setFocus(Qt::TabFocusReason);
    }
  }
  if (disableOwner) {
    owner->setEnabled(false);
  }
  const int result = m_window->exec();
  if (disableOwner) {
    owner->setEnabled(true);
    owner->activateWindow();
    if (ownerFocus != nullptr) {
      ownerFocus->setFocus(Qt::ActiveWindowFocusReason);
    }
  }
  m_window.reset();
  return result;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (UpdateData(true)) {
    EndDialog(IDOK);
  }
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::OnCommand(int id) {
  if (id == IDOK) {
    OnOK();
  } else if (id == IDCANCEL) {
    OnCancel();
  }
}

bool Dialog::UpdateData(bool saveAndValidate) {
  assert(m_window != nullptr);
  DataExchange dx(*m_window, saveAndValidate, m_messageCaption);
  DoDataExchange(dx);
  return !dx.Failed();
}

void Dialog::EndDialog(int result) {
  assert(m_window != nullptr);
  m_window->done(result);
}

QWidget* Dialog::GetDlgItem(int id) const {
  return m_window != nullptr ? config::GetDlgItem(*m_window, id) : nullptr;
}

}  // namespace veltane::config
