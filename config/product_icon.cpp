#include "config/product_icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QList>

#include "config/dialog_template.h"
#include "platform/resources.h"

namespace veltane::config {
namespace {

constexpr int kLargeSide = 32;

QByteArray IconResource() {
  const auto data = platform::FindResource("#135", platform::ResourceType::Icon);
  static_assert(kProductIconId == 135);
  return QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

// Every image of the icon file, in the file's order.
QList<QImage> IconImages() {
  QByteArray bytes = IconResource();
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ico");
  QList<QImage> images;
  for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
    const QImage image = reader.read();
    if (!image.isNull()) {
      images.append(image);
    }
  }
  return images;
}

}  // namespace

QIcon ProductIcon() {
  QIcon icon;
  for (const QImage& image : IconImages()) {
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

QPixmap ProductIconImage() {
  for (const QImage& image : IconImages()) {
    if (image.size() == QSize(kLargeSide, kLargeSide)) {
      return QPixmap::fromImage(image);
    }
  }
  return {};
}

}  // namespace veltane::config
