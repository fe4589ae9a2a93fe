#include "config/dialog_frame.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QScreen>
#include <QString>
#include <cassert>
#include <cstdint>

#include "platform/resources.h"

namespace veltane::config {
namespace {

// Every image of the icon file, in the file's order.
QList<QImage> IconImages() {
  const auto data = platform::FindResource("#135", platform::ResourceType::Icon);
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                             static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ico");
  QList<QImage> images;
  for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
    if (const QImage image = reader.read(); !image.isNull()) images.append(image);
  }
  return images;
}

}  // namespace

int MulDiv(int number, int numerator, int denominator) {
  assert(denominator != 0);
  const std::int64_t product = std::int64_t{number} * numerator;
  const std::int64_t divisor = denominator < 0 ? -std::int64_t{denominator} : denominator;
  const std::int64_t quotient = ((product < 0 ? -product : product) + divisor / 2) / divisor;
  return static_cast<int>((product < 0) != (denominator < 0) ? -quotient : quotient);
}

BaseUnits DialogBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabet =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(alphabet / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

QRect DialogUnitsToPixels(const QRect& dialogUnits, BaseUnits units) {
  return QRect(MulDiv(dialogUnits.x(), units.cx, 4), MulDiv(dialogUnits.y(), units.cy, 8),
               MulDiv(dialogUnits.width(), units.cx, 4), MulDiv(dialogUnits.height(), units.cy, 8));
}

QFont DialogFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

QIcon ProductIcon() {
  QIcon icon;
  for (const QImage& image : IconImages()) icon.addPixmap(QPixmap::fromImage(image));
  return icon;
}

QPixmap ProductIconImage() {
  for (const QImage& image : IconImages()) {
    if (image.size() == QSize(32, 32)) return QPixmap::fromImage(image);
  }
  return {};
}

void SetUpDialog(QDialog& dialog, const char* objectName, const char* caption, int cx, int cy) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.setObjectName(QLatin1String(objectName));
  dialog.setWindowTitle(QString::fromUtf8(caption));
  dialog.setWindowIcon(ProductIcon());
  dialog.setFont(DialogFont());
  dialog.setFixedSize(DialogUnitsToPixels(QRect(0, 0, cx, cy), DialogBaseUnits(dialog.font())).size());
}

void Centre(QWidget& dialog, const QWidget* owner) {
  QRect frame(QPoint(), dialog.size());
  frame.moveCenter(owner != nullptr ? owner->window()->frameGeometry().center()
                                    : dialog.screen()->availableGeometry().center());
  dialog.move(frame.topLeft());
}

QLabel* StaticText(QWidget* dialog, const char* text, Qt::Alignment across) {
  auto* label = new QLabel(QString::fromUtf8(text), dialog);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignTop | across);
  return label;
}

QLabel* ProductIconControl(QWidget* dialog, int frameStyle, int x, int y, int cx, int cy) {
  auto* label = Place(new QLabel(dialog), "iconLabel", x, y, cx, cy);
  label->setFrameStyle(frameStyle);
  label->setLineWidth(1);
  label->setAlignment(Qt::AlignCenter);
  const QPixmap image = ProductIconImage();
  label->setPixmap(image);
  const int frame = label->frameWidth();
  if (!image.isNull()) label->resize(image.width() + 2 * frame, image.height() + 2 * frame);
  return label;
}

}  // namespace veltane::config
