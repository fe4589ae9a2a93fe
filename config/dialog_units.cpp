#include "config/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <cassert>
#include <cstdint>

namespace veltane::config {
namespace {

constexpr int kDialogPointSize = 8;

}  // namespace

int MulDiv(int number, int numerator, int denominator) {
  assert(denominator != 0);
  const std::int64_t product = std::int64_t{number} * numerator;
  const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
  const bool negative = (product < 0) != (denominator < 0);
  const std::int64_t magnitude = (product < 0 ? -product : product) + half;
  const std::int64_t quotient = magnitude / (denominator < 0 ? -std::int64_t{denominator} : denominator);
  return static_cast<int>(negative ? -quotient : quotient);
}

BaseUnits DialogBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(alphabet / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

QRect DialogUnitsToPixels(const QRect& dialogUnits, BaseUnits units) {
  return QRect(MulDiv(dialogUnits.x(), units.cx, 4), MulDiv(dialogUnits.y(), units.cy, 8),
               MulDiv(dialogUnits.width(), units.cx, 4), MulDiv(dialogUnits.height(), units.cy, 8));
}

QFont DialogFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(kDialogPointSize);
  return font;
}

}  // namespace veltane::config
