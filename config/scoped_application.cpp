#include "config/scoped_application.h"

#include <QLoggingCategory>
#include <QString>

namespace veltane::config {

ScopedApplication::ScopedApplication(const std::string& programName) {
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    m_canShowDialogs = qobject_cast<QApplication*>(existing) != nullptr;
    return;
  }
  // The window system the user asks for, else X11; where that cannot be reached, a platform that needs no
  // display, on which nothing is ever shown.
  QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM");
  platforms = (platforms.isEmpty() ? QStringLiteral("xcb") : platforms) + QStringLiteral(";offscreen");
  m_arguments = {programName, "-platform", platforms.toStdString()};
  for (std::size_t i = 0; i < m_arguments.size(); ++i) m_argv[i] = m_arguments[i].data();

  // A display that cannot be reached, or a platform that is not there, is an expected case here, which the
  // program reports in a line of its own.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false\ndefault.warning=false"));
  m_application = std::make_unique<QApplication>(m_argc, m_argv.data());
  QLoggingCategory::setFilterRules(QString());

  // A dialog on these platforms would wait for a user who can never see it.
  const QString platform = QGuiApplication::platformName();
  m_canShowDialogs = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace veltane::config
