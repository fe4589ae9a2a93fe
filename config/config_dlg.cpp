#include "config/config_dlg.h"

#include <QApplication>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>

#include "config/about_dlg.h"
#include "config/dialog_frame.h"

namespace veltane::config {

std::optional<std::uint32_t> ParseUnsigned(std::string_view text) {
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
  const auto skip = [&text](std::size_t at, std::string_view set) {
    while (at < text.size() && set.find(text[at]) != std::string_view::npos) ++at;
    return at;
  };
  std::size_t at = skip(0, " \t");
  const char first = at < text.size() ? text[at] : '\0';
  // The standard conversion skips any white space and takes a sign of either kind; a minus sign behind a
  // line break would turn a negative number into a huge one, so it is refused like a leading one.
  at = skip(at, " \t\n\v\f\r");
  if (at < text.size() && text[at] == '-') return std::nullopt;
  if (at < text.size() && text[at] == '+') ++at;
  std::uint64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = std::min(value * 10 + static_cast<std::uint64_t>(text[at] - '0'), kLargest);
  }
  // A zero counts only when the text begins with the digit: no digit at all, a sign alone and "+0" are
  // refused.
  if (value == 0 && first != '0') return std::nullopt;
  if (skip(at, " \t") != text.size()) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// Qt tabs through the controls in the order they are made here, from the OK button.
ConfigDlg::ConfigDlg(std::string applicationName, QWidget* parentWnd)
    : QDialog(parentWnd), m_applicationName(std::move(applicationName)) {
  SetUpDialog(*this, "configDlg", "Configure The Veltane", 168, 104);
  auto* ok = Place(new QPushButton(QStringLiteral("OK"), this), "okButton", 125, 6, 36, 17);
  auto* cancel = Place(new QPushButton(QStringLiteral("Cancel"), this), "cancelButton", 125, 26, 36, 17);
  auto* about = Place(new QPushButton(QStringLiteral("About..."), this), "aboutButton", 125, 52, 36, 17);
  ProductIconControl(this, QFrame::Panel | QFrame::Sunken, 7, 6, 21, 20);
  m_speedControlCheck =
      Place(new QCheckBox(QStringLiteral("Speed Control On"), this), "speedControlCheck", 37, 16, 72, 11);
  m_frameDelaySlider = Place(new QSlider(Qt::Horizontal, this), "frameDelaySlider", 11, 43, 90, 25);
  // The group box lies under the slider it frames.
  Place(new QGroupBox(QStringLiteral("Flame Speed"), this), "flameSpeedGroup", 7, 33, 99, 37)->lower();
  m_burnMinutesEdit = Place(new QLineEdit(this), "burnMinutesEdit", 45, 80, 33, 17);
  Place(StaticText(this, "Burn time:", Qt::AlignLeft), "burnTimeLabel", 7, 83, 36, 14);
  Place(StaticText(this, "Minutes", Qt::AlignLeft), "minutesLabel", 83, 83, 26, 14);

  ok->setDefault(true);
  ok->setFocus();
  m_frameDelaySlider->setRange(1, 50);
  m_frameDelaySlider->setTickInterval(5);
  m_frameDelaySlider->setTickPosition(QSlider::TicksBothSides);
  m_frameDelaySlider->setFocusPolicy(Qt::StrongFocus);
  connect(ok, &QPushButton::clicked, this, &ConfigDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &ConfigDlg::reject);
  connect(about, &QPushButton::clicked, this, &ConfigDlg::OnAbout);
}

int ConfigDlg::DoModal() {
  m_speedControlCheck->setChecked(SpeedControl == 1);
  // A delay outside the range stands at the nearer end, and OK stores that end.
  m_frameDelaySlider->setValue(FrameDelay);
  m_burnMinutesEdit->setText(QString::number(BurnMinutes));
  Centre(*this, parentWidget());
  return exec() == Accepted ? IDOK : IDCANCEL;
}

void ConfigDlg::accept() {
  // The edit field is read through a buffer of 32 characters, so anything past the 31st is never seen.
  constexpr qsizetype kMaxTextRead = 31;
  FrameDelay = m_frameDelaySlider->value();
  SpeedControl = m_speedControlCheck->isChecked() ? 1 : 0;
  const std::optional<std::uint32_t> burnMinutes =
      ParseUnsigned(m_burnMinutesEdit->text().left(kMaxTextRead).toStdString());
  if (burnMinutes) {
    BurnMinutes = *burnMinutes;
    // The dialog closes after a message about a failed write, as it would have without one.
    const std::string failure = StoreValues ? StoreValues() : std::string();
    if (!failure.empty()) Warn(QString::fromStdString(failure), "saveFailedMessage");
    QDialog::accept();
    return;
  }
  Warn(QStringLiteral("Please enter a positive integer."), "invalidInputMessage");
  // The message box has just taken the activation away. The dialog takes it back at once, not when the
  // window system gets round to it: gaining the activation later would clear the selection made here.
  activateWindow();
  QApplication::setActiveWindow(this);
  m_burnMinutesEdit->setFocus(Qt::OtherFocusReason);
  m_burnMinutesEdit->selectAll();
}

void ConfigDlg::Warn(const QString& text, const char* objectName) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(m_applicationName), text, QMessageBox::Ok,
                  this);
  box.setObjectName(QLatin1String(objectName));
  box.exec();
}

// The About box belongs to this dialog, which waits disabled; as a child widget it would be disabled too.
void ConfigDlg::OnAbout() {
  AboutDlg about;
  about.winId();
  about.windowHandle()->setTransientParent(windowHandle());
  Centre(about, this);
  QWidget* focus = focusWidget();
  setEnabled(false);
  about.DoModal();
  setEnabled(true);
  activateWindow();
  if (focus != nullptr) focus->setFocus(Qt::ActiveWindowFocusReason);
}

}  // namespace veltane::config
