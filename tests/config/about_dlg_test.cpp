#include "config/about_dlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

#include "config/config_dlg.h"
#include "config/dialog_frame.h"
#include "tests/config/modal_driver.h"
#include "tests/config/offscreen_test_main.h"

namespace veltane::config {
namespace {

using test::Child;
using test::PressKey;
using test::WhenModal;

TEST(AboutDlg, EndsWithCancelOnEscapeAndTheCloseButtonAndWithOkOnEnter) {
  const std::pair<Qt::Key, int> keys[] = {
      {Qt::Key_Escape, IDCANCEL}, {Qt::Key_Return, IDOK}, {Qt::Key_Enter, IDOK}};
  for (const auto& [key, result] : keys) {
    AboutDlg about;
    WhenModal([key = key](QWidget& window) { PressKey(window, key); });
    EXPECT_EQ(about.DoModal(), result) << key;
  }
  AboutDlg about;
  WhenModal([](QWidget& window) { window.close(); });
  EXPECT_EQ(about.DoModal(), IDCANCEL);
}

struct AboutVisit {
  bool shown = false;
  bool configEnabledMeanwhile = true;
  bool aboutOwnedByConfig = false;
  bool configEnabledAfter = false;
  bool aboutButtonFocusedAfter = false;
};

// Opens the About box from the configuration dialog and ends it with `close`.
AboutVisit VisitAbout(const std::function<void(QWidget&)>& close, int& configResult) {
  AboutVisit visit;
  ConfigDlg config("veltane");
  config.SpeedControl = 1;
  config.FrameDelay = 17;
  config.BurnMinutes = 33;
  WhenModal([&](QWidget& configWindow) {
    WhenModal([&](QWidget& aboutWindow) {
      visit.shown = aboutWindow.objectName() == QStringLiteral("aboutDlg");
      visit.configEnabledMeanwhile = configWindow.isEnabled();
      visit.aboutOwnedByConfig = aboutWindow.windowHandle() != nullptr &&
                                 aboutWindow.windowHandle()->transientParent() == configWindow.windowHandle();
      close(aboutWindow);
    });
    auto& about = Child<QPushButton>(configWindow, "aboutButton");
    about.setFocus();
    PressKey(configWindow, Qt::Key_Space);
    visit.configEnabledAfter = configWindow.isEnabled();
    visit.aboutButtonFocusedAfter = configWindow.focusWidget() == &about;
    Child<QPushButton>(configWindow, "okButton").click();
  });
  configResult = config.DoModal();
  EXPECT_EQ(config.SpeedControl, 1);
  EXPECT_EQ(config.FrameDelay, 17);
  EXPECT_EQ(config.BurnMinutes, 33U);
  return visit;
}

TEST(AboutDlg, IsModalOverTheConfigurationDialogWhichWaitsDisabled) {
  for (const auto& [name, close] : std::vector<std::pair<const char*, std::function<void(QWidget&)>>>{
           {"Escape", [](QWidget& w) { PressKey(w, Qt::Key_Escape); }},
           {"Enter", [](QWidget& w) { PressKey(w, Qt::Key_Return); }},
           {"close button", [](QWidget& w) { w.close(); }}}) {
    SCOPED_TRACE(name);
    int configResult = 0;
    const AboutVisit visit = VisitAbout(close, configResult);
    EXPECT_TRUE(visit.shown);
    EXPECT_FALSE(visit.configEnabledMeanwhile);
    EXPECT_TRUE(visit.aboutOwnedByConfig);
    EXPECT_TRUE(visit.configEnabledAfter);
    EXPECT_TRUE(visit.aboutButtonFocusedAfter);
    EXPECT_EQ(configResult, IDOK);
  }
}

TEST(AboutDlg, CanBeOpenedAgainAndAgain) {
  int configResult = 0;
  ConfigDlg config("veltane");
  int opened = 0;
  WhenModal([&](QWidget& configWindow) {
    for (int i = 0; i < 3; ++i) {
      WhenModal([&opened](QWidget& aboutWindow) {
        opened += aboutWindow.objectName() == QStringLiteral("aboutDlg") ? 1 : 0;
        PressKey(aboutWindow, Qt::Key_Escape);
      });
      Child<QPushButton>(configWindow, "aboutButton").click();
    }
    PressKey(configWindow, Qt::Key_Escape);
  });
  configResult = config.DoModal();
  EXPECT_EQ(opened, 3);
  EXPECT_EQ(configResult, IDCANCEL);
}

}  // namespace
}  // namespace veltane::config
