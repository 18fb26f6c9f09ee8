#pragma once
// Sends a file over the line piece by piece, so that a large file neither fills memory nor
// blocks the window: the next piece is queued only once the port has written the previous one.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "runtime/scheduler.h"

namespace ql {

class FileSender {
 public:
  static constexpr std::size_t kPieceSize = 4096;
  static constexpr int kPollMs = 5;

  // write queues bytes and returns false when the port refuses them; queueEmpty tells whether
  // the previous piece is out.
  using Write = std::function<bool(const std::uint8_t* data, std::size_t length)>;
  using QueueEmpty = std::function<bool()>;
  // sent and total in bytes, after every piece; finished is true once, at the end.
  using Progress = std::function<void(std::uint64_t sent, std::uint64_t total, bool finished)>;

  FileSender(Scheduler& scheduler, Write write, QueueEmpty queueEmpty, Progress progress);

  // Starts sending path (a send in progress is abandoned); false when the file cannot be read.
  bool start(const std::string& path);
  void cancel();
  bool busy() const { return file_.is_open(); }

 private:
  void tick();
  void sendPiece();

  Write write_;
  QueueEmpty queueEmpty_;
  Progress progress_;
  std::unique_ptr<Timer> timer_;
  std::ifstream file_;
  std::uint64_t total_ = 0;
  std::uint64_t sent_ = 0;
};

}  // namespace ql
