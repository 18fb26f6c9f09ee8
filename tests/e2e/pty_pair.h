#pragma once
// A pseudo-terminal pair for tests: the test holds the master and plays the far end, the code
// under test opens the slave path like a serial device.

#include <string>

namespace ql::testing {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  // Reads what is there within waitMs (0: only what is there now).
  std::string readSome(int waitMs);

 private:
  int master_ = -1;
  int slaveHold_ = -1;  // keeps the slave side alive between opens
  std::string slavePath_;
};

}  // namespace ql::testing
