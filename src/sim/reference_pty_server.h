#pragma once
// Serves a PressureReference on a new pseudo-terminal. The reference answers nothing, so the
// server only reads: every piece a client writes, at whatever line rate it set, goes to the
// reference as it arrives. Runs on its own thread between start() and stop().

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/pressure_reference.h"
#include "sim/pseudo_terminal.h"

namespace ql::sim {

class ReferencePtyServer {
 public:
  // linkPath: when not empty, a symbolic link to the terminal while it is open.
  ReferencePtyServer(std::shared_ptr<PressureReference> reference, std::string linkPath = {});
  ~ReferencePtyServer();
  ReferencePtyServer(const ReferencePtyServer&) = delete;
  ReferencePtyServer& operator=(const ReferencePtyServer&) = delete;

  // Creates the pseudo-terminal (and the link). Throws std::runtime_error with the reason.
  void open();
  const std::string& slavePath() const { return terminal_.slavePath(); }
  PressureReference& reference() { return *reference_; }

  void start();
  // Ends the thread and closes the terminal (removing the link).
  void stop();

 private:
  void serve();

  std::shared_ptr<PressureReference> reference_;
  std::string linkPath_;
  PseudoTerminal terminal_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;
};

}  // namespace ql::sim
