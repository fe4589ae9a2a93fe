#include "config/scoped_application.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QString>

namespace veltane::config {
namespace {

// The window system a dialog of ours is shown on unless the user asks for another one.
constexpr char kDefaultPlatform[] = "xcb";
// Taken only when the window system cannot be reached: a platform that needs no display, on which
// nothing is ever shown.
constexpr char kNoDisplayPlatform[] = "offscreen";
// Platforms on which a dialog would wait for a user who can never see it.
constexpr const char* kUnseenPlatforms[] = {"offscreen", "minimal"};

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
  const QString platforms = requested + u';' + QString::fromLatin1(kNoDisplayPlatform);

  m_arguments = {programName, "-platform", platforms.toStdString()};
  for (std::string& argument : m_arguments) {
    m_argv.push_back(argument.data());
  }
  m_argv.push_back(nullptr);
  m_argc = static_cast<int>(m_arguments.size());

  // A display that cannot be reached, or a platform that is not there, is an expected case here, which the
  // program reports in a line of its own.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false\ndefault.warning=false"));
  m_application = std::make_unique<QApplication>(m_argc, m_argv.data());
  QLoggingCategory::setFilterRules(QString());

  m_canShowDialogs = true;
  for (const char* unseen : kUnseenPlatforms) {
    if (QGuiApplication::platformName() == QLatin1String(unseen)) m_canShowDialogs = false;
  }
}

ScopedApplication::~ScopedApplication() = default;

}  // namespace veltane::config
