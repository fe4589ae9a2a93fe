#pragma once
// Drives modal windows from inside their own event loops, as a user at the keyboard would.

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>

namespace veltane::config::test {

// Once the next modal window is up, runs step on it. A step that leaves the window open ends it with
// Escape, so that a failed check never leaves a test waiting for a user.
inline void WhenModal(std::function<void(QWidget& window)> step) {
  QTimer::singleShot(0, qApp, [step = std::move(step)] {
    QPointer<QWidget> window = QApplication::activeModalWidget();
    if (window == nullptr) {
      ADD_FAILURE() << "no modal window came up";
      return;
    }
    step(*window);
    if (window != nullptr && window->isVisible()) {
      QTest::keyClick(window, Qt::Key_Escape);
    }
  });
}

// A key as the window system delivers it: to the widget with the focus, or to the window itself.
inline void PressKey(QWidget& window, Qt::Key key) {
  QWidget* target = window.focusWidget() != nullptr ? window.focusWidget() : &window;
  QTest::keyClick(target, key);
}

template <class Widget>
Widget& Child(const QWidget& window, const char* objectName) {
  auto* child = window.findChild<Widget*>(QString::fromLatin1(objectName));
  if (child == nullptr) {
    throw std::runtime_error(std::string("no child ") + objectName);
  }
  return *child;
}

struct SeenMessage {
  bool shown = false;
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QString ownerName;  // the object name of the window that owns the box
  bool ownerShown = false;
};

// While it lives, answers the first message box that comes up with its OK button and notes what it said.
class MessageAnswerer {
 public:
  MessageAnswerer() {
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        m_timer.start();
        return;
      }
      const QWidget* owner = box->parentWidget();
      m_seen = SeenMessage{true,
                           box->text(),
                           box->windowTitle(),
                           box->icon(),
                           box->standardButtons(),
                           owner != nullptr ? owner->objectName() : QString(),
                           owner != nullptr && owner->isVisible()};
      if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        ok->click();
      }
    });
    m_timer.start();
  }

  const SeenMessage& Seen() const { return m_seen; }

 private:
  QTimer m_timer;
  SeenMessage m_seen;
};

}  // namespace veltane::config::test
