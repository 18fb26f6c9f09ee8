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
#include "runtime/atomic_file.h"
#include "runtime/formats.h"
#include "runtime/sha256.h"

namespace ql {

namespace {

Bytes fileDataRequest(int slot) {
  // The register count carries the file number.
  return reg::readRequest(reg::kFileData, static_cast<std::uint16_t>(slot + 1));
}

const Bytes kSpeedSwitchRequest = reg::writeRequest(reg::kBaudCode, 0xF0F0);

std::string lowerHex(const std::uint8_t* data, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

// The echo is not part of the checksummed response.
constexpr std::size_t kEchoSize = 8;

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
  refetchTimer_ = loop_.makeTimer(kRefetchPollMs, [this] { refetchTick(); });
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
  if (running() || inBatch()) return;
  std::optional<int> slot = files_.slotOfItem(position);
  if (!slot) return;
  refetchTimer_->stop();
  startSlot(*slot);
}

void DownloadJob::startBatch(std::vector<int> slots) {
  if (running() || inBatch()) return;
  std::erase_if(slots, [this](int slot) { return !listed(slot); });
  if (slots.empty()) return;
  refetchTimer_->stop();
  batchNeedsSwitch_ = std::any_of(slots.begin(), slots.end(),
                                  [this](int slot) { return files_.entry(slot).size() > kSwitchAbove; });
  batchSwitched_ = false;
  batchQueue_ = std::move(slots);
  batchCount_ = static_cast<int>(batchQueue_.size());
  batchStored_ = 0;
  startNextOfBatch();
}

bool DownloadJob::startNextOfBatch() {
  if (batchQueue_.empty()) return false;
  const int slot = batchQueue_.front();
  batchQueue_.erase(batchQueue_.begin());
  progress_.batchIndex = batchCount_ - static_cast<int>(batchQueue_.size());
  progress_.batchCount = batchCount_;
  startSlot(slot);
  return true;
}

void DownloadJob::endBatch() {
  batchQueue_.clear();
  batchCount_ = 0;
  batchSwitched_ = false;
  progress_.batchIndex = progress_.batchCount = 0;
}

bool DownloadJob::listed(int slot) const {
  const std::vector<int>& shown = files_.itemSlots();
  return std::find(shown.begin(), shown.end(), slot) != shown.end();
}

void DownloadJob::startSlot(int slot) {
  memo_.add(text("SYSTEMINFORMATION", "info_start_download"));

  // The file as listed now; the table may be read again while the transfer runs.
  slot_ = slot;
  itemText_.clear();
  const std::vector<int>& shown = files_.itemSlots();
  const auto at = std::find(shown.begin(), shown.end(), slot);
  if (at != shown.end()) itemText_ = files_.items()[static_cast<std::size_t>(at - shown.begin())];
  slotImage_ = files_.slotImage(slot_);
  const std::uint32_t size = files_.entry(slot_).size();
  outcome_ = Outcome::None;
  storedPath_.clear();
  storedLength_ = 0;

  if (size > kBufferSize) {
    setStatus(message("ql310_getfile_toolarge", kTooLargeText));
    memo_.add(message("ql310_getfile_toolarge", kTooLargeText));
    finish(Outcome::TooLarge);
    return;
  }
  if (!buffer_) buffer_.reset(new std::uint8_t[kBufferSize]);
  const bool switchNeeded = inBatch() ? batchNeedsSwitch_ : size > kSwitchAbove;
  if (!switchNeeded || batchSwitched_) {
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
    batchSwitched_ = inBatch();
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
  finish(Outcome::SwitchFailed);
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
  finish(Outcome::NoAnswer);
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
  total_ = announced_ = total;
  responseHead_.assign(block.begin() + kEchoSize, block.begin() + kHeadSize);
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
  closeUnlessMoreFollow();
}

void DownloadJob::closeUnlessMoreFollow() {
  if (batchQueue_.empty()) closeTimer_->start();
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
  batchQueue_.clear();  // the line stopped: the rest of a batch would stop as well
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
  batchQueue_.clear();
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
  if (!inBatch()) return;
  if (outcome == Outcome::Stored) ++batchStored_;
  if (onBatchFile) onBatchFile(slot_, outcome);
  // A file that cannot be fetched does not stop the others; a line that stopped does.
  const bool goOn = outcome == Outcome::Stored || outcome == Outcome::TooLarge;
  if (goOn && startNextOfBatch()) return;
  const bool dialogLeftOpen = !batchQueue_.empty() && outcome == Outcome::WriteFailed;
  endBatch();
  if (dialogLeftOpen || (outcome == Outcome::TooLarge && progress_.visible)) closeTimer_->start();
}

void DownloadJob::refetchTick() {
  if (linkBusy && linkBusy()) return;
  refetchTimer_->stop();
  if (running() || inBatch() || !listed(refetchSlot_)) return;
  startSlot(refetchSlot_);
}

// --- the dialog ----------------------------------------------------------------------------------

void DownloadJob::openDialog() {
  progress_.caption = text("SYSTEMINFORMATION", "info_start_download");
  progress_.label = text("SYSTEMINFORMATION", "info_geting_file");
  if (progress_.batchCount > 0) {
    // "File %d of %d"
    std::string which = message("ql310_getfile_batch", kBatchText);
    for (int number : {progress_.batchIndex, progress_.batchCount}) {
      const std::size_t at = which.find("%d");
      if (at != std::string::npos) which.replace(at, 2, std::to_string(number));
    }
    progress_.label += "\n" + which;
  }
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
  saveTime_ = clock_();
  lastSaveStamp_ = formatCompactStamp(localDateTime(saveTime_));
  const std::string path = dir + "/" + LocalStore::dataFileName(lastSaveStamp_, itemText_);
  if (dir.empty() || !saveDataFile(path)) {
    const std::string problem = message("ql310_getfile_writefail", kWriteFailedText) + " " + path;
    setStatus(problem);
    memo_.add(problem);
    finish(Outcome::WriteFailed);
    return;
  }
  storedPath_ = path;
  writeRecord(path);
  if (!lastRecord_.crcMatch) {
    const std::string damaged = message("ql310_getfile_crcbad", kCrcMismatchText) + " " + path;
    setStatus(damaged);
    memo_.add(damaged);
  }
  if (cut_) operator_.showMessage("", message("ql310_getfile_cut", kCutText));
  const bool batch = inBatch();
  finish(Outcome::Stored);
  if (batch) return;
  if (!lastRecord_.crcMatch && operator_.askYesNo("", message("ql310_getfile_refetch", kRefetchText))) {
    refetchSlot_ = slot_;
    refetchTimer_->start();
    return;
  }
  offerExport();
}

// The download record beside the data file. Failing to write it leaves the data file as it is
// (it opens without one); the memo says so.
bool DownloadJob::writeRecord(const std::string& path) {
  DataFileHeader header = identity ? identity() : DataFileHeader{};
  lastRecord_.serial = header.serialNumber();
  lastRecord_.slot = slot_;
  lastRecord_.entryHex = slotImage_.size() > FileEntry::kSize
                             ? lowerHex(slotImage_.data() + 1, FileEntry::kSize)
                             : std::string(2 * FileEntry::kSize, '0');
  lastRecord_.announcedSize = static_cast<std::uint64_t>(announced_);
  lastRecord_.storedSize = storedLength_;
  lastRecord_.sha256 = fileSha256(path).value_or(std::string(64, '0'));
  lastRecord_.pcTime = isoFromShownTime(formatDateTime(localDateTime(saveTime_)));
  lastRecord_.loggerClock = isoFromShownTime(loggerClock ? loggerClock() : std::string());
  if (writeDownloadRecord(path, lastRecord_)) return true;
  memo_.add(message("ql310_getfile_writefail", kWriteFailedText) + " " + downloadRecordPath(path));
  return false;
}

bool DownloadJob::checksumMatches(std::size_t streamLength) const {
  if (streamLength < 2 || responseHead_.empty()) return false;
  std::uint16_t crc = crc16ModbusContinue(kCrcStart, responseHead_.data(), responseHead_.size());
  crc = crc16ModbusContinue(crc, buffer_.get(), streamLength - 2);
  const std::uint16_t sent =
      static_cast<std::uint16_t>(buffer_[streamLength - 2] | buffer_[streamLength - 1] << 8);
  return crc == sent;
}

bool DownloadJob::saveDataFile(const std::string& path) {
  // Only bytes that arrived are realigned: after a stall the rest of the buffer is not this
  // file's. Stray bytes push the stream's end past the announced length, so everything that
  // arrived is realigned; the checksum is then the last two bytes of the realigned stream.
  const std::size_t arrived = std::min(static_cast<std::size_t>(received_), kBufferSize);
  const std::size_t realigned = realignRecords(buffer_.get(), arrived);
  const std::size_t removed = arrived - realigned;
  lastRecord_ = DownloadRecord{};
  lastRecord_.strayBytesRemoved = removed;
  lastRecord_.crcMatch = !cut_ && checksumMatches(realigned);
  // Stored as ever: the announced length less what realignment removed.
  const auto announced = static_cast<std::size_t>(total_);
  const std::size_t length = std::min(realigned, announced > removed ? announced - removed : 0);
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
  ExportOptions options = exportOptions ? exportOptions() : ExportOptions{};
  options.now = formatDateTime(localDateTime(clock_()));
  DataFileHeader header = identity ? identity() : DataFileHeader{};
  header.setSlot(slotImage_);
  return writeStreamAtomically(csvPath, [&](std::ostream& out) {
    return WriteDownloadExport(header.entry(), header.serialNumber(), buffer_.get(), storedLength_, options,
                               out);
  });
}

}  // namespace ql
