#pragma once
// The application object: it starts the one window of the mode that the host's command line selects.

#include <string>
#include <vector>

#include "platform/app.h"

namespace veltane::app {

class SaverApp : public platform::WinApp {
 public:
  explicit SaverApp(std::vector<std::string> arguments);

  // Sets the settings store's key and starts the mode's window. False ends the process at once.
  bool InitInstance() override;

 private:
  // The preview inside the host's window; with rootWindowByDefault, the root window where none is named.
  bool StartPreview(bool rootWindowByDefault);
  bool StartFullScreen();

  std::vector<std::string> m_arguments;
};

}  // namespace veltane::app
