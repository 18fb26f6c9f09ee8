#pragma once
// A new pseudo-terminal for a simulated instrument: the instrument holds the master side, a
// program opens the slave path like a serial device. Both sides start raw, and the slave is
// held open so that its settings live on between clients and the master never sees a hang-up
// when a client closes. An optional symbolic link points at the slave while it is open.

#include <string>

namespace ql::sim {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal() { close(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Creates the terminal (master non-blocking) and, when linkPath is not empty, the link (an
  // existing symbolic link is replaced; anything else there is an error). Throws
  // std::runtime_error with the reason, leaving nothing behind.
  void open(const std::string& linkPath = {});
  // Removes the link (only while it still points at this terminal) and closes both sides.
  void close();

  bool isOpen() const { return masterFd_ >= 0; }
  int masterFd() const { return masterFd_; }
  const std::string& slavePath() const { return slavePath_; }

 private:
  int masterFd_ = -1;
  int slaveFd_ = -1;
  std::string slavePath_;
  std::string linkPath_;  // the link made, empty when none
};

}  // namespace ql::sim
