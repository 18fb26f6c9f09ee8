#include "assistant/file_sender.h"

#include <filesystem>

namespace ql {

FileSender::FileSender(Scheduler& scheduler, Write write, QueueEmpty queueEmpty, Progress progress)
    : write_(std::move(write)),
      queueEmpty_(std::move(queueEmpty)),
      progress_(std::move(progress)),
      timer_(scheduler.makeTimer(kPollMs, [this] { tick(); })) {}

bool FileSender::start(const std::string& path) {
  cancel();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return false;
  file_.open(path, std::ios::binary);
  if (!file_) {
    file_ = std::ifstream();
    return false;
  }
  total_ = size;
  sent_ = 0;
  timer_->start();
  sendPiece();  // the first piece goes out at once
  return true;
}

void FileSender::cancel() {
  timer_->stop();
  if (file_.is_open()) file_.close();
}

void FileSender::tick() {
  if (file_.is_open() && queueEmpty_()) sendPiece();
}

void FileSender::sendPiece() {
  char piece[kPieceSize];
  file_.read(piece, sizeof piece);
  const auto got = static_cast<std::size_t>(file_.gcount());
  if (got > 0) {
    if (!write_(reinterpret_cast<const std::uint8_t*>(piece), got)) {
      cancel();  // the port was closed under the transfer
      return;
    }
    sent_ += got;
  }
  const bool finished = got < sizeof piece || sent_ >= total_;
  if (finished) cancel();
  progress_(sent_, total_, finished);
}

}  // namespace ql
