#include "config/show_configuration.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTemporaryDir>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/configuration_module.h"
#include "settings/settings_store.h"
#include "tests/config/modal_driver.h"
#include "tests/config/offscreen_test_main.h"

namespace veltane::config {
namespace {

using test::Child;
using test::MessageAnswerer;
using test::PressKey;
using test::SeenMessage;
using test::WhenModal;

constexpr int kMissing = -12345;

class ShowConfigurationTest : public testing::Test {
 protected:
  ShowConfigurationTest() : m_store("veltane", m_home.path().toStdString()) {
    m_store.SetRegistryKey(settings::kRegistryKey);
  }

  void Store(const char* entry, std::int32_t value) { m_store.WriteProfileInt(Section(), entry, value); }
  std::int32_t Stored(const char* entry) { return m_store.GetProfileInt(Section(), entry, kMissing); }
  std::string Section() const { return m_store.ProfileName(); }

  // Shows the configuration with `step` run on the dialog; the step's last key decides how it ends.
  void Configure(std::function<void(QWidget&)> step) {
    WhenModal(std::move(step));
    ShowConfiguration(app::ProfileAccessOf(m_store));
  }

  void ExpectNothingStored() {
    EXPECT_EQ(Stored("DelayOn"), kMissing);
    EXPECT_EQ(Stored("DelayTime"), kMissing);
    EXPECT_EQ(Stored("BurnTime"), kMissing);
  }

  QTemporaryDir m_home;
  settings::SettingsStore m_store;
};

void TypeBurnTime(QWidget& window, const QString& text) {
  auto& edit = Child<QLineEdit>(window, "burnMinutesEdit");
  edit.setFocus();
  edit.selectAll();
  QTest::keyClick(&edit, Qt::Key_Backspace);
  QTest::keyClicks(&edit, text);
}

TEST_F(ShowConfigurationTest, ShowsTheDefaultsOfAnEmptyStore) {
  Configure([](QWidget& window) {
    EXPECT_EQ(Child<QCheckBox>(window, "speedControlCheck").checkState(), Qt::Unchecked);
    EXPECT_EQ(Child<QSlider>(window, "frameDelaySlider").value(), 10);
    EXPECT_EQ(Child<QLineEdit>(window, "burnMinutesEdit").text(), QStringLiteral("20"));
  });
  ExpectNothingStored();
}

TEST_F(ShowConfigurationTest, ShowsSpeedControlOffForAStoredTwo) {
  Store("DelayOn", 2);
  Configure([](QWidget& window) {
    EXPECT_EQ(Child<QCheckBox>(window, "speedControlCheck").checkState(), Qt::Unchecked);
    PressKey(window, Qt::Key_Return);
  });
  EXPECT_EQ(Stored("DelayOn"), 0);
}

TEST_F(ShowConfigurationTest, ShowsTheStoredValues) {
  Store("DelayOn", 1);
  Store("DelayTime", 23);
  Store("BurnTime", 45);
  Configure([](QWidget& window) {
    EXPECT_EQ(Child<QCheckBox>(window, "speedControlCheck").checkState(), Qt::Checked);
    EXPECT_EQ(Child<QSlider>(window, "frameDelaySlider").value(), 23);
    EXPECT_EQ(Child<QLineEdit>(window, "burnMinutesEdit").text(), QStringLiteral("45"));
  });
}

TEST_F(ShowConfigurationTest, OkOnAnEmptyStoreWritesTheDefaultsShown) {
  Configure([](QWidget& window) { PressKey(window, Qt::Key_Return); });
  EXPECT_EQ(Stored("DelayOn"), 0);
  EXPECT_EQ(Stored("DelayTime"), 10);
  EXPECT_EQ(Stored("BurnTime"), 20);
}

TEST_F(ShowConfigurationTest, CancelWritesNothingAfterTheSliderMoved) {
  for (const auto& [name, closeWith] : std::vector<std::pair<const char*, std::function<void(QWidget&)>>>{
           {"Cancel button", [](QWidget& w) { Child<QPushButton>(w, "cancelButton").click(); }},
           {"Escape", [](QWidget& w) { PressKey(w, Qt::Key_Escape); }},
           {"close button", [](QWidget& w) { w.close(); }},
           {"Enter on Cancel", [](QWidget& w) {
              Child<QPushButton>(w, "cancelButton").setFocus();
              PressKey(w, Qt::Key_Return);
            }}}) {
    SCOPED_TRACE(name);
    bool stillOpen = false;
    Configure([&stillOpen, close = closeWith](QWidget& window) {
      Child<QSlider>(window, "frameDelaySlider").setValue(37);
      Child<QCheckBox>(window, "speedControlCheck").setChecked(true);
      TypeBurnTime(window, QStringLiteral("99"));
      close(window);
      stillOpen = window.isVisible();
    });
    EXPECT_FALSE(stillOpen);
    ExpectNothingStored();
  }
}

TEST_F(ShowConfigurationTest, OkWritesSpeedControlDelayAndBurnTimeInThatOrderInOneWrite) {
  std::vector<settings::ProfileValues> writes;
  const ProfileAccess recorder{
      m_store.ApplicationName(),
      m_store.ProfileName(),
      m_store.FilePath(),
      settings::HomeFolder(),
      [this](const std::string& section, const std::string& entry, std::int32_t defaultValue) {
        return m_store.GetProfileInt(section, entry, defaultValue);
      },
      [&writes](const std::string& section, const settings::ProfileValues& values) {
        EXPECT_EQ(section, "veltane");
        writes.push_back(values);
        return std::error_code();
      }};
  WhenModal([](QWidget& window) {
    Child<QCheckBox>(window, "speedControlCheck").setChecked(true);
    auto& slider = Child<QSlider>(window, "frameDelaySlider");
    slider.setFocus();
    QTest::keyClick(&slider, Qt::Key_End);
    Child<QPushButton>(window, "okButton").click();
  });
  EXPECT_EQ(ShowConfiguration(recorder), ConfigurationOutcome::Closed);
  const std::vector<settings::ProfileValues> expected{{{"DelayOn", 1}, {"DelayTime", 50}, {"BurnTime", 20}}};
  EXPECT_EQ(writes, expected);
}

TEST_F(ShowConfigurationTest, ReadsTheThreeValuesInOrderWithTheirDefaults) {
  std::vector<std::pair<std::string, std::int32_t>> reads;
  const ProfileAccess recorder{
      m_store.ApplicationName(),
      m_store.ProfileName(),
      m_store.FilePath(),
      settings::HomeFolder(),
      [&reads](const std::string&, const std::string& entry, std::int32_t defaultValue) {
        reads.emplace_back(entry, defaultValue);
        return defaultValue;
      },
      [](const std::string&, const settings::ProfileValues&) { return std::error_code(); }};
  WhenModal([](QWidget& window) { PressKey(window, Qt::Key_Escape); });
  ShowConfiguration(recorder);
  const std::vector<std::pair<std::string, std::int32_t>> expected{
      {"DelayOn", 0}, {"DelayTime", 10}, {"BurnTime", 20}};
  EXPECT_EQ(reads, expected);
}

TEST_F(ShowConfigurationTest, ShowsADelayOutOfRangeAtTheNearerEndAndStoresThatEnd) {
  for (const auto& [stored, shown] : {std::pair{500, 50}, std::pair{0, 1}, std::pair{-7, 1}}) {
    SCOPED_TRACE(stored);
    Store("DelayTime", stored);
    int seen = 0;
    Configure([&seen](QWidget& window) {
      seen = Child<QSlider>(window, "frameDelaySlider").value();
      PressKey(window, Qt::Key_Return);
    });
    EXPECT_EQ(seen, shown);
    EXPECT_EQ(Stored("DelayTime"), shown);
  }
}

TEST_F(ShowConfigurationTest, SliderRunsFromOneToFiftyWithTicksEveryFiveOnBothSides) {
  Configure([](QWidget& window) {
    const auto& slider = Child<QSlider>(window, "frameDelaySlider");
    EXPECT_EQ(slider.orientation(), Qt::Horizontal);
    EXPECT_EQ(slider.minimum(), 1);
    EXPECT_EQ(slider.maximum(), 50);
    EXPECT_EQ(slider.tickInterval(), 5);
    EXPECT_EQ(slider.tickPosition(), QSlider::TicksBothSides);
  });
}

struct BurnTimeCase {
  const char* name;
  QString typed;
  std::optional<std::int32_t> stored;  // empty: refused
};

void PrintTo(const BurnTimeCase& c, std::ostream* out) { *out << '"' << c.typed.toStdString() << '"'; }

class BurnTimeTest : public ShowConfigurationTest, public testing::WithParamInterface<BurnTimeCase> {};

TEST_P(BurnTimeTest, OkStoresAnAcceptedBurnTimeOrRefusesTheText) {
  const BurnTimeCase& c = GetParam();
  SeenMessage message;
  bool editFocused = false;
  bool allSelected = false;
  bool openAfterOk = false;
  Configure([&](QWidget& window) {
    TypeBurnTime(window, c.typed);
    {
      const MessageAnswerer answerer;
      PressKey(window, Qt::Key_Return);
      message = answerer.Seen();
    }
    openAfterOk = window.isVisible();
    if (!openAfterOk) {
      return;
    }
    const auto& edit = Child<QLineEdit>(window, "burnMinutesEdit");
    QCoreApplication::processEvents();
    editFocused = QTest::qWaitForWindowActive(&window) && edit.hasFocus();
    allSelected = edit.selectedText() == edit.text() && edit.text() == c.typed;
  });
  if (c.stored) {
    EXPECT_FALSE(message.shown);
    EXPECT_FALSE(openAfterOk);
    EXPECT_EQ(Stored("BurnTime"), *c.stored);
    return;
  }
  EXPECT_TRUE(message.shown);
  EXPECT_EQ(message.text, QStringLiteral("Please enter a positive integer."));
  EXPECT_EQ(message.caption, QStringLiteral("veltane"));
  EXPECT_EQ(message.icon, QMessageBox::Warning);
  EXPECT_EQ(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(message.ownerName, QStringLiteral("configDlg"));
  EXPECT_TRUE(openAfterOk);
  EXPECT_TRUE(editFocused);
  EXPECT_TRUE(allSelected);
  ExpectNothingStored();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BurnTimeTest,
    testing::Values(BurnTimeCase{"BlanksAround", QStringLiteral("  7  "), 7},
                    BurnTimeCase{"Zero", QStringLiteral("0"), 0},
                    BurnTimeCase{"TwoZeros", QStringLiteral("00"), 0},
                    BurnTimeCase{"ElevenNines", QStringLiteral("99999999999"), -1},
                    BurnTimeCase{"Plus", QStringLiteral("+5"), 5},
                    BurnTimeCase{"ThirtyOneDigitsThenLetters", QString(31, u'1') + QStringLiteral("abc"), -1},
                    BurnTimeCase{"Negative", QStringLiteral("-5"), std::nullopt},
                    BurnTimeCase{"Letters", QStringLiteral("abc"), std::nullopt},
                    BurnTimeCase{"PlusZero", QStringLiteral("+0"), std::nullopt},
                    BurnTimeCase{"Empty", QString(), std::nullopt},
                    BurnTimeCase{"NumberThenWord", QStringLiteral("5 word"), std::nullopt}),
    [](const testing::TestParamInfo<BurnTimeCase>& row) { return std::string(row.param.name); });

TEST_F(ShowConfigurationTest, AFailedOkLeavesTheDialogUsableForAnotherTry) {
  SeenMessage message;
  Configure([&](QWidget& window) {
    TypeBurnTime(window, QStringLiteral("soon"));
    {
      const MessageAnswerer answerer;
      PressKey(window, Qt::Key_Return);
      message = answerer.Seen();
    }
    QTest::keyClicks(window.focusWidget(), QStringLiteral("15"));
    PressKey(window, Qt::Key_Return);
  });
  EXPECT_TRUE(message.shown);
  EXPECT_EQ(Stored("BurnTime"), 15);
}

}  // namespace
}  // namespace veltane::config
