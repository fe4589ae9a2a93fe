#include "config/scoped_application.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

namespace veltane::config {
namespace {

// The window system a dialog of ours is shown on unless the user asks for another one.
constexpr char kDefaultPlatform[] = "xcb";
// Taken only when the window system cannot be reached: a platform that needs no display, on which
// nothing is ever shown.
constexpr char kNoDisplayPlatform[] = "offscreen";

}  // namespace

ScopedApplication::ScopedApplication(const std::string& programName) {
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    m_canShowDialogs = qobject_cast<QApplication*>(existing) != nullptr;
    return;
  }
  QString requested = qEnvironmentVariable("QT_QPA_PLATFORM");
  if (requested.isEmpty()) {
    requested = QString::fromLatin1(kDefaultPlatform);
  }
  const bool offscreenRequested = requested.split(u';').contains(QString::fromLatin1(kNoDisplayPlatform));
  const QString platforms = requested + u';' + QString::fromLatin1(kNoDisplayPlatform);

  m_arguments = {programName, "-platform", platforms.toStdString()};
  for (std::string& argument : m_arguments) {
    m_argv.push_back(argument.data());
  }
  m_argv.push_back(nullptr);
  m_argc = static_cast<int>(m_arguments.size());

  // A display that cannot be reached is an expected case here, not one to warn about.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.warning=false"));
  m_application = std::make_unique<QApplication>(m_argc, m_argv.data());
  QLoggingCategory::setFilterRules(QString());

  m_canShowDialogs = offscreenRequested || QGuiApplication::platformName() != QLatin1String(kNoDisplayPlatform);
}

ScopedApplication::~ScopedApplication() = default;

}  // namespace veltane::config
