#include "config/dialog_frame.h"

#include <gtest/gtest.h>
#include <QFontMetrics>

#include "tests/config/offscreen_test_main.h"

namespace veltane::config {
namespace {

TEST(MulDiv, RoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(21, 6, 4), 32);   // 31.5
  EXPECT_EQ(MulDiv(20, 13, 8), 33);  // 32.5
  EXPECT_EQ(MulDiv(17, 13, 8), 28);  // 27.625
  EXPECT_EQ(MulDiv(11, 13, 8), 18);  // 17.875
  EXPECT_EQ(MulDiv(7, 6, 4), 11);    // 10.5
  EXPECT_EQ(MulDiv(5, 1, 4), 1);     // 1.25
  EXPECT_EQ(MulDiv(-21, 6, 4), -32);
  EXPECT_EQ(MulDiv(21, -6, 4), -32);
  EXPECT_EQ(MulDiv(21, 6, -4), -32);
}

TEST(MulDiv, KeepsTheFullProductBeforeDividing) { EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000); }

TEST(DialogBaseUnits, FollowTheFontsAverageLetterAndHeight) {
  const QFont font = DialogFont();
  const QFontMetrics metrics(font);
  const BaseUnits units = DialogBaseUnits(font);
  const double average = metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) +
                         metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  EXPECT_NEAR(units.cx, average / 52.0, 1.0);
  EXPECT_EQ(units.cy, metrics.height());
  EXPECT_GT(units.cx, 0);
}

TEST(DialogUnitsToPixels, ScalesAcrossByAQuarterAndDownByAnEighth) {
  EXPECT_EQ(DialogUnitsToPixels(QRect(125, 6, 36, 17), BaseUnits{6, 13}), QRect(188, 10, 54, 28));
  EXPECT_EQ(DialogUnitsToPixels(QRect(0, 0, 168, 104), BaseUnits{7, 14}), QRect(0, 0, 294, 182));
}

TEST(DialogFont, IsEightPointSansSerif) {
  const QFont font = DialogFont();
  EXPECT_EQ(font.pointSize(), 8);
  EXPECT_EQ(font.styleHint(), QFont::SansSerif);
}

}  // namespace
}  // namespace veltane::config
