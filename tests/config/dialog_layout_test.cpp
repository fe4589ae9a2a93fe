#include <gtest/gtest.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>

#include "config/about_dlg.h"
#include "config/config_dlg.h"
#include "config/dialog_frame.h"
#include "tests/config/modal_driver.h"
#include "tests/config/offscreen_test_main.h"

namespace veltane::config {
namespace {

using test::Child;
using test::WhenModal;

// Runs the dialog and hands its window, as the user first sees it, to inspect.
void Inspect(auto& dialog, const std::function<void(QWidget&)>& inspect) {
  WhenModal(inspect);
  dialog.DoModal();
}

QList<QWidget*> Controls(const QWidget& window) {
  return window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
}

// Every control lies inside the client area, and no two overlap unless one is the frame around the other.
void ExpectTidyLayout(const QWidget& window) {
  const QList<QWidget*> controls = Controls(window);
  for (const QWidget* control : controls) {
    EXPECT_TRUE(window.rect().contains(control->geometry())) << control->objectName().toStdString();
    for (const QWidget* other : controls) {
      if (control == other || qobject_cast<const QGroupBox*>(control) ||
          qobject_cast<const QGroupBox*>(other)) {
        continue;
      }
      EXPECT_FALSE(control->geometry().intersects(other->geometry()))
          << control->objectName().toStdString() << " overlaps " << other->objectName().toStdString();
    }
  }
}

// The text of every button, check box and label is shown whole.
void ExpectTextsFit(const QWidget& window) {
  for (const QPushButton* button : window.findChildren<QPushButton*>()) {
    EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
        << button->objectName().toStdString();
  }
  for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
    EXPECT_LE(box->sizeHint().width(), box->width());
  }
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (label->text().isEmpty()) {
      continue;
    }
    const QRect needed =
        label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWordWrap, label->text());
    EXPECT_TRUE(label->contentsRect().contains(needed)) << label->objectName().toStdString();
  }
}

TEST(ConfigDlgLayout, IsAFixedDialogOfTheTemplatesSizeInDialogUnits) {
  ConfigDlg dialog("veltane");
  Inspect(dialog, [](QWidget& window) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Configure The Veltane"));
    const BaseUnits units = DialogBaseUnits(window.font());
    const QSize size = DialogUnitsToPixels(QRect(0, 0, 168, 104), units).size();
    EXPECT_EQ(window.size(), size);
    EXPECT_EQ(window.minimumSize(), size);
    EXPECT_EQ(window.maximumSize(), size);
    EXPECT_EQ(Child<QPushButton>(window, "okButton").geometry(),
              DialogUnitsToPixels(QRect(125, 6, 36, 17), units));
    EXPECT_EQ(Child<QLineEdit>(window, "burnMinutesEdit").geometry(),
              DialogUnitsToPixels(QRect(45, 80, 33, 17), units));
  });
}

TEST(ConfigDlgLayout, ShowsEveryControlWholeWithoutOverlaps) {
  ConfigDlg dialog("veltane");
  Inspect(dialog, [](QWidget& window) {
    ExpectTidyLayout(window);
    ExpectTextsFit(window);
  });
}

TEST(ConfigDlgLayout, FramesOnlyTheSliderWithTheFlameSpeedGroup) {
  ConfigDlg dialog("veltane");
  Inspect(dialog, [](QWidget& window) {
    const auto& group = Child<QGroupBox>(window, "flameSpeedGroup");
    EXPECT_EQ(group.title(), QStringLiteral("Flame Speed"));
    for (const QWidget* control : Controls(window)) {
      if (control != &group) {
        EXPECT_EQ(group.geometry().contains(control->geometry()), control->objectName() == "frameDelaySlider")
            << control->objectName().toStdString();
      }
    }
    EXPECT_EQ(window.childAt(Child<QSlider>(window, "frameDelaySlider").geometry().center()),
              &Child<QSlider>(window, "frameDelaySlider"));
  });
}

TEST(ConfigDlgLayout, TabsThroughTheControlsInTemplateOrderFromTheDefaultOkButton) {
  ConfigDlg dialog("veltane");
  Inspect(dialog, [](QWidget& window) {
    auto& ok = Child<QPushButton>(window, "okButton");
    EXPECT_TRUE(ok.isDefault());
    EXPECT_EQ(window.focusWidget(), &ok);
    QStringList order;
    QWidget* widget = &ok;
    do {
      if (widget->focusPolicy() & Qt::TabFocus) {
        order << widget->objectName();
      }
      widget = widget->nextInFocusChain();
    } while (widget != &ok);
    EXPECT_EQ(order, (QStringList{"okButton", "cancelButton", "aboutButton", "speedControlCheck",
                                  "frameDelaySlider", "burnMinutesEdit"}));
  });
}

TEST(ConfigDlgLayout, ShowsTheCandleIconInASunkenFrameAndAsTheWindowIcon) {
  ConfigDlg dialog("veltane");
  Inspect(dialog, [](QWidget& window) {
    const auto& icon = Child<QLabel>(window, "iconLabel");
    EXPECT_EQ(icon.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(icon.frameShadow(), QFrame::Sunken);
    EXPECT_GE(icon.contentsRect().width(), 32);
    EXPECT_GE(icon.contentsRect().height(), 32);
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
  });
}

TEST(AboutDlgLayout, CentresFourLinesOfNameVersionAndNoticesUnderTheIcon) {
  AboutDlg dialog;
  Inspect(dialog, [](QWidget& window) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("About The Veltane"));
    EXPECT_EQ(window.size(),
              DialogUnitsToPixels(QRect(0, 0, 181, 88), DialogBaseUnits(window.font())).size());
    EXPECT_TRUE(window.findChildren<QPushButton*>().isEmpty());
    const auto& text = Child<QLabel>(window, "aboutText");
    // Name and version, rights, where the documentation is (the project has no web address, but the package
    // installs a manual page), and the terms.
    const QStringList expected{QStringLiteral("The Veltane Screen Saver 1.0.0.2"),
                               QStringLiteral("Copyright (C) 2026 the Veltane authors"),
                               QStringLiteral("See the manual page: man 6 veltane"),
                               QStringLiteral("Free to copy and to pass on unchanged")};
    EXPECT_EQ(text.text().split(u'\n'), expected);
    EXPECT_TRUE(text.alignment() & Qt::AlignHCenter);
    const auto& icon = Child<QLabel>(window, "iconLabel");
    EXPECT_EQ(icon.pixmap().size(), QSize(32, 32));
    EXPECT_LT(icon.geometry().bottom(), text.geometry().top());
    ExpectTidyLayout(window);
    ExpectTextsFit(window);
  });
}

}  // namespace
}  // namespace veltane::config
