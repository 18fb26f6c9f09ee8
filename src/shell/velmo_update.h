#pragma once
// velmo's side of the online update: the menu's update check and about box, the hand-over to
// "updtrun" when the files are in place, and the fifth-tick step after start (an "updtrun"
// installs itself; velmo removes a leftover one).

#include <functional>
#include <memory>
#include <string>

#include "link/memo_log.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"
#include "shell/online_update.h"

namespace ql {

struct VelmoUpdateContext {
  std::string homeDir;
  std::string serverBase;      // [UPDATE] SERVER= or --server
  std::string executablePath;  // the running program; /proc/self/exe when empty
  std::function<void()> closePort;
  std::function<void()> quit;  // ends the program (closes the main window)
};

class VelmoUpdate {
 public:
  VelmoUpdate(Scheduler& loop, Operator& op, MemoLog& memo, TextLookup texts, VelmoUpdateContext context);

  // The menu's update check: a memo line with the menu caption, then the check.
  void checkForUpdate(const std::string& menuCaption);
  // The about box: ql310_about, a space and the version.
  void showAbout();
  // Called by the one-second timer; acts at its fifth tick.
  void onSecondTick();

  update::OnlineUpdate& online() { return *online_; }
  const std::string& executablePath() const { return context_.executablePath; }

 private:
  void handOver();

  static constexpr int kHandOverTick = 5;
  static constexpr int kPortCloseMs = 50;  // the port is closed this long before the start

  Scheduler& loop_;
  Operator& operator_;
  MemoLog& memo_;
  TextLookup texts_;
  VelmoUpdateContext context_;
  std::unique_ptr<update::OnlineUpdate> online_;
  int ticks_ = 0;
};

}  // namespace ql
