#include "data/download.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "data/export_file_choice.h"
#include "data/realign.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "runtime/formats.h"

namespace ql {

namespace {

Bytes fileDataRequest(int slot) {
  // The register count carries the file number.
  return reg::readRequest(reg::kFileData, static_cast<std::uint16_t>(slot + 1));
}

const Bytes kSpeedSwitchRequest = reg::writeRequest(reg::kBaudCode, 0xF0F0);

}  // namespace

DownloadJob::DownloadJob(Scheduler& loop, LinkState& state, Port& port, Operator& op, const FileTable& files,
                         MemoLog& memo, TextLookup texts, Clock clock, LocalStore store)
    : loop_(loop),
      state_(state),
      port_(port),
      operator_(op),
      files_(files),
      memo_(memo),
      texts_(std::move(texts)),
      clock_(clock ? std::move(clock) : [] { return std::time(nullptr); }),
      store_(std::move(store)) {
  switchTimer_ = loop_.makeTimer(kSwitchTickMs, [this] { switchTick(); });
  saveTimer_ = loop_.makeTimer(kSaveDelayMs, [this] { saveTick(); });
  closeTimer_ = loop_.makeTimer(kDialogCloseDelayMs, [this] {
    closeTimer_->stop();
    closeDialog();
  });
  noAnswerTimer_ = loop_.makeTimer(kNoAnswerMs, [this] { requestAgainOrGiveUp(); });
}

DownloadJob::~DownloadJob() = default;

std::string DownloadJob::text(const std::string& section, const std::string& key) const {
  return texts_ ? texts_(section, key) : std::string();
}

std::string DownloadJob::message(const std::string& key, const char* builtIn) const {
  std::string translated = text("QL310", key);
  return translated.empty() ? builtIn : translated;
}

void DownloadJob::send(const Bytes& frameWithoutCrc) { port_.writeBuffer(AppendCrc(frameWithoutCrc)); }

void DownloadJob::setStatus(const std::string& status) {
  progress_.statusText = status;
  progress_.changed();
  if (showStatus) showStatus(status);
}

// --- starting ------------------------------------------------------------------------------------

void DownloadJob::start(int position) {
  if (running()) return;
  std::optional<int> slot = files_.slotOfItem(position);
  if (!slot) return;
  memo_.add(text("SYSTEMINFORMATION", "info_start_download"));

  // The file as listed now; the table may be read again while the transfer runs.
  slot_ = *slot;
  itemText_ = files_.items()[static_cast<std::size_t>(position)];
  slotImage_ = files_.slotImage(slot_);
  const std::uint32_t size = files_.entry(slot_).size();
  outcome_ = Outcome::None;
  storedPath_.clear();
  storedLength_ = 0;

  if (size > kBufferSize) {
    outcome_ = Outcome::TooLarge;
    setStatus(message("ql310_getfile_toolarge", kTooLargeText));
    memo_.add(message("ql310_getfile_toolarge", kTooLargeText));
    return;
  }
  if (!buffer_) buffer_.reset(new std::uint8_t[kBufferSize]);
  if (size <= kSwitchAbove) {
    sendRequest();
    return;
  }
  // A speed switch left over from before must not count for this download.
  state_.SwitchAcked = false;
  switchAttempts_ = 0;
  rateBeforeSwitch_ = port_.baudRate();
  phase_ = Phase::Switching;
  switchTimer_->start();
}

// TimerGetFileData: asks the logger for the high speed until it reports the rate it moved to.
void DownloadJob::switchTick() {
  if (state_.Downloading) {
    switchTimer_->stop();
    state_.SwitchAcked = false;
    return;
  }
  if (state_.SwitchAcked) {
    state_.SwitchAcked = false;
    switchTimer_->stop();
    sendRequest();
    return;
  }
  if (switchAttempts_ < 0) switchAttempts_ = 0;
  ++switchAttempts_;
  if (switchAttempts_ == 6 || switchAttempts_ == 7) port_.setBaudRate(kSwitchRateFirstGuess);
  if (switchAttempts_ > 7) port_.setBaudRate(kSwitchRateSecondGuess);
  if (switchAttempts_ <= kMaxSwitchAttempts) {
    Bytes frame = AppendCrc(kSpeedSwitchRequest);
    port_.writeBuffer(frame);
    state_.IdleTicks = 0;
    state_.LastRequest = frame;
    return;
  }
  // Never confirmed: the port goes back to the rate the logger was reached at, so that the link
  // keeps working, and the operator learns why nothing was fetched.
  switchAttempts_ = -1;
  switchTimer_->stop();
  port_.setBaudRate(rateBeforeSwitch_);
  setStatus(message("ql310_getfile_switchfail", kSwitchFailedText));
  memo_.add(message("ql310_getfile_switchfail", kSwitchFailedText));
  phase_ = Phase::Idle;
  outcome_ = Outcome::SwitchFailed;
}

void DownloadJob::onSpeedSwitchReply(std::uint32_t baudRate) {
  if (baudRate > 0) port_.setBaudRate(baudRate);
}

void DownloadJob::sendRequest() {
  send(fileDataRequest(slot_));
  state_.IdleTicks = 0;
  state_.HeldFragment.clear();
  phase_ = Phase::Requested;
  requestTries_ = 1;
  total_ = 0;
  received_ = 0;
  stallTicks_ = 0;
  cut_ = false;
  setStatus(text("SYSTEMINFORMATION", "info_get_mac_file"));
  if (liveDisplayOff) liveDisplayOff();
  openDialog();
  noAnswerTimer_->start();
}

void DownloadJob::requestAgainOrGiveUp() {
  if (phase_ != Phase::Requested) {
    noAnswerTimer_->stop();
    return;
  }
  if (requestTries_ < kRequestTries) {
    ++requestTries_;
    state_.HeldFragment.clear();  // a piece of a lost reply must not join the next one
    send(fileDataRequest(slot_));
    state_.IdleTicks = 0;
    return;
  }
  noAnswerTimer_->stop();
  phase_ = Phase::Idle;
  outcome_ = Outcome::NoAnswer;
  progress_.label = message("ql310_getfile_noanswer", kNoAnswerText);
  setStatus(message("ql310_getfile_noanswer", kNoAnswerText));
  memo_.add(message("ql310_getfile_noanswer", kNoAnswerText));
}

// --- receiving -----------------------------------------------------------------------------------

void DownloadJob::onFileDataHead(const Bytes& block) {
  // Only the answer to our own request starts a transfer; a late second answer is not one.
  if (phase_ != Phase::Requested || block.size() <= kHeadSize - 1) return;
  std::int64_t total = BeU32(block.data() + kSizeFieldOffset);
  if (total <= 2) return;
  noAnswerTimer_->stop();
  total_ = total;
  received_ = static_cast<std::int64_t>(block.size() - kHeadSize);
  std::memcpy(buffer_.get(), block.data() + kHeadSize, block.size() - kHeadSize);
  if (received_ < total_) {
    stallTicks_ = 0;
    state_.Downloading = true;
    phase_ = Phase::Receiving;
    return;
  }
  completeTransfer();
}

void DownloadJob::onDownloadBlock(const Bytes& block) {
  if (phase_ != Phase::Receiving) {  // the flag was set by someone else; let go of the link
    state_.Downloading = false;
    return;
  }
  const std::size_t room = kBufferSize - static_cast<std::size_t>(received_);
  const std::size_t n = std::min(block.size(), room);
  std::memcpy(buffer_.get() + received_, block.data(), n);
  stallTicks_ = 0;
  received_ += static_cast<std::int64_t>(n);

  progress_.percent = static_cast<int>(std::min<std::int64_t>(100, received_ * 100 / total_));
  setStatus(text("QL310", "ql310_info_getfile") + ": " + percentText() + "%");

  if (received_ < total_ && static_cast<std::size_t>(received_) == kBufferSize) {
    cut_ = true;
    memo_.add(message("ql310_getfile_cut", kCutText));
  }
  if (received_ >= total_ || cut_) completeTransfer();
}

std::string DownloadJob::percentText() const {
  return formatFixed(static_cast<double>(received_) * 100.0 / static_cast<double>(total_), 1);
}

void DownloadJob::completeTransfer() {
  setStatus(text("QL310", "ql310_getfileover") + ": " + std::to_string(received_ - 2) + " bytes.");
  state_.Downloading = false;
  phase_ = Phase::Storing;
  saveTimer_->start();
  progress_.percent = 100;
  progress_.changed();
  closeTimer_->start();
}

void DownloadJob::onSecondTick() {
  ++stallTicks_;
  if (stallTicks_ > kStallTicks && state_.Downloading && phase_ == Phase::Receiving) stall();
}

void DownloadJob::onPortHangup() {
  if (phase_ == Phase::Receiving) {
    stall();
  } else if (phase_ == Phase::Requested) {
    requestTries_ = kRequestTries;  // nobody is there to answer
    requestAgainOrGiveUp();
  }
}

// The transfer stopped: what arrived is stored only when the operator wants it.
void DownloadJob::stall() {
  state_.Downloading = false;
  if (received_ * 100 / total_ >= 100) {
    setStatus(text("SYSTEMINFORMATION", "info_get_list_end") + "(" + std::to_string(received_ - 2) + ").");
    memo_.add(text("SYSTEMINFORMATION", "info_get_file_end"));
    phase_ = Phase::Storing;
    saveTimer_->start();
  } else {
    setStatus(text("QL310", "ql310_getfile_error1"));
    phase_ = Phase::Storing;  // no further block or question may act while we ask
    if (operator_.askYesNo("", text("QL310", "ql310_getfile_error2"))) {
      saveTimer_->start();
    } else {
      finish(Outcome::NotStored);
    }
  }
  closeTimer_->start();
}

void DownloadJob::cancel() {
  if (phase_ != Phase::Requested && phase_ != Phase::Receiving) {
    // Nothing is being fetched (the logger did not answer, or the transfer just ended).
    if (phase_ != Phase::Storing) closeDialog();
    return;
  }
  if (!operator_.askYesNo("", text("SUB", "sub_down_file_now"))) return;
  // The transfer may have ended while the question was open; then it stands.
  if (phase_ != Phase::Requested && phase_ != Phase::Receiving) return;
  noAnswerTimer_->stop();
  state_.Downloading = false;
  finish(Outcome::Cancelled);
  closeDialog();
}

void DownloadJob::showIdleDialog() {
  if (running()) return;
  openDialog();
}

void DownloadJob::finish(Outcome outcome) {
  phase_ = Phase::Idle;
  outcome_ = outcome;
}

// --- the dialog ----------------------------------------------------------------------------------

void DownloadJob::openDialog() {
  progress_.caption = text("SYSTEMINFORMATION", "info_start_download");
  progress_.label = text("SYSTEMINFORMATION", "info_geting_file");
  progress_.cancelCaption = text("SYSTEMINFORMATION", "info_get_file_cancle");
  progress_.percent = 0;
  progress_.visible = true;
  progress_.changed();
}

void DownloadJob::closeDialog() {
  if (!progress_.visible) return;
  progress_.visible = false;
  progress_.changed();
  if (onDialogClosed) onDialogClosed();
}

// --- storing -------------------------------------------------------------------------------------

// TimerSaveFile: realign, write the data file, then offer the export.
void DownloadJob::saveTick() {
  saveTimer_->stop();
  memo_.add(text("SYSTEMINFORMATION", "info_get_file_end"));

  DataFileHeader header = identity ? identity() : DataFileHeader{};
  const std::string dir = store_.dataFileDirectory(header.serialNumber());
  lastSaveStamp_ = formatCompactStamp(localDateTime(clock_()));
  const std::string path = dir + "/" + LocalStore::dataFileName(lastSaveStamp_, itemText_);
  if (dir.empty() || !saveDataFile(path)) {
    const std::string problem = message("ql310_getfile_writefail", kWriteFailedText) + " " + path;
    setStatus(problem);
    memo_.add(problem);
    finish(Outcome::WriteFailed);
    return;
  }
  storedPath_ = path;
  if (cut_) operator_.showMessage("", message("ql310_getfile_cut", kCutText));
  finish(Outcome::Stored);
  offerExport();
}

bool DownloadJob::saveDataFile(const std::string& path) {
  // Only bytes that arrived are stored: after a stall the rest of the buffer is not this file's.
  std::size_t length = static_cast<std::size_t>(std::min(received_, total_));
  length = std::min(length, kBufferSize);
  length = realignRecords(buffer_.get(), length);
  // What the buffer now holds is the realigned stream; a second save would realign it again.
  received_ = total_ = static_cast<std::int64_t>(length);

  DataFileHeader header = identity ? identity() : DataFileHeader{};
  header.setSlot(slotImage_);
  storedLength_ = length;
  return writeDataFile(path, header, buffer_.get(), length);
}

// Asks where to put the download export (chooseExportFile). Cancelling keeps the data file and
// writes no export.
void DownloadJob::offerExport() {
  DataFileHeader header = identity ? identity() : DataFileHeader{};
  store_.exportDirectory(header.serialNumber());
  const std::string chosen = chooseExportFile(
      operator_, {"",
                  store_.exportDialogDirectory() + "/" + LocalStore::exportName(lastSaveStamp_, itemText_),
                  {{"*.csv", "*.csv"}},
                  ".csv",
                  text("SYSTEMINFORMATION", "info_fileexists")});
  if (chosen.empty()) return;
  if (!writeExport(chosen))
    operator_.showMessage("", message("ql310_getfile_writefail", kWriteFailedText) + " " + chosen);
}

bool DownloadJob::writeExport(const std::string& csvPath) {
  if (storedPath_.empty() || !buffer_) return false;
  std::ofstream out(csvPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  ExportOptions options = exportOptions ? exportOptions() : ExportOptions{};
  options.now = formatDateTime(localDateTime(clock_()));
  DataFileHeader header = identity ? identity() : DataFileHeader{};
  header.setSlot(slotImage_);
  bool written =
      WriteDownloadExport(header.entry(), header.serialNumber(), buffer_.get(), storedLength_, options, out);
  out.close();
  return written && !out.fail();
}

}  // namespace ql
