#pragma once
// serulo's settings life: serulo.ini (and the receive area's companion file) is read once at
// start, the interface is saved once at exit (a stop signal closes the window, which saves),
// and the read-out parameters are saved as soon as the control form accepts them. The window
// renders settings() and quickSend() and forwards every edit here; nothing is read back from
// its controls.

#include <array>
#include <optional>
#include <string>

#include "assistant/assistant_settings.h"
#include "assistant/quick_send_rows.h"

namespace ql {

class AssistantSession {
 public:
  // An empty path: serulo.ini in the working directory, else in the user's configuration one.
  explicit AssistantSession(std::string settingsPath = {});

  const std::string& settingsPath() const { return settingsPath_; }

  // Reads the settings file (every key, invalid values taking their defaults) and the receive
  // area's file. Without a settings file the window's defaults stay and false is returned.
  bool load();
  bool loadedFromFile() const { return loadedFromFile_; }
  // The receive area's text as stored at the last exit.
  const std::optional<std::string>& restoredReceiveText() const { return restoredReceiveText_; }

  // Everything but the quick-send rows, which live in quickSend() (settings().quickSend is
  // not used).
  AssistantSettings& settings() { return settings_; }
  const AssistantSettings& settings() const { return settings_; }
  QuickSendRows& quickSend() { return quickSend_; }
  const QuickSendRows& quickSend() const { return quickSend_; }
  // The settings with the quick-send rows, as they would be saved now.
  AssistantSettings current() const;

  // The control form's OK: the captions go to the rows, the parameters to the settings and,
  // whatever "界面记忆" says, to the file at once. False when the file could not be written.
  bool acceptControlForm(const std::array<std::string, kQuickSendRows>& captions,
                         const ReadOutParameters& parameters);

  // At exit: with "界面记忆" ticked the interface and the receive area's text are written;
  // unticked, an existing file only learns that the box is off. Runs once; later calls do
  // nothing (the window saves on close and again on destruction). False on a write error.
  bool saveAtExit(const std::string& receiveAreaUtf8);

 private:
  bool writeFile(const IniFile& ini) const;

  std::string settingsPath_;
  AssistantSettings settings_ = defaultAssistantSettings();
  QuickSendRows quickSend_;
  std::optional<std::string> restoredReceiveText_;
  bool loadedFromFile_ = false;
  bool savedAtExit_ = false;
};

}  // namespace ql
