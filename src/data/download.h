#pragma once
// Fetching one recorded file from the logger into a local data file.
//
// A file above 30,720 bytes first switches the logger and the port to the high line speed
// (TimerGetFileData: write 0x1102 := F0 F0 every 300 ms until the logger reports its new rate).
// Then the file-data request 01 03 E0 0E 00 n (n = slot + 1) goes out; the reply's head carries
// the file entry and the stream length, and the stream follows in any number of blocks, which the
// receive dispatcher hands here while LinkState::Downloading is set. When all bytes are in, the
// records are realigned and the data file is written under bakwlr/<serial number>/, then the
// download export is offered. More than 12 s without data stops the transfer with a question.
//
// The stream ends in the reply's CRC-16/MODBUS over the response from its 01 03 on; it is checked
// on the realigned stream, and the result goes with the stored file into its download record
// (NAME.wlr.json). A damaged file is still stored, and the operator is offered to fetch it again.
//
// A batch (startBatch) fetches several files one after another behind one dialog and one speed
// switch: the line stays at the high speed between files and is restored once at the end.
//
// The job only changes models; the progress dialog is a view of DownloadProgress. Whenever that
// dialog closes, onDialogClosed runs (the program then restores the configured line rate).

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/csv_export.h"
#include "data/data_file.h"
#include "data/download_record.h"
#include "data/file_table.h"
#include "data/local_store.h"
#include "link/bytes.h"
#include "link/link_state.h"
#include "link/memo_log.h"
#include "link/port.h"
#include "runtime/observable.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"

namespace ql {

// What the progress dialog shows ("文件获取"). The window shows the dialog while visible is set
// and hides it when it clears; the dialog's cancel button calls DownloadJob::cancel().
class DownloadProgress : public Observable {
 public:
  bool visible = false;
  int percent = 0;            // the bar, 0..100
  std::string caption;        // the dialog's title
  std::string label;          // what is happening; says so when the logger did not answer
  std::string cancelCaption;  // the button
  std::string statusText;     // the download's status line (also shown on the main window)
  int batchIndex = 0;         // in a batch: the file being fetched, 1-based; 0 outside a batch
  int batchCount = 0;
  void changed() const { notify(); }
};

class DownloadJob {
 public:
  // The stream is held in one buffer of this size; a longer stream is cut at its end.
  static constexpr std::size_t kBufferSize = 33554432;
  // Larger files are fetched at the high line speed.
  static constexpr std::uint32_t kSwitchAbove = 30720;
  static constexpr int kSwitchTickMs = 300;
  static constexpr int kMaxSwitchAttempts = 10;
  // Attempts 6 and 7 listen at 691,200 baud, later ones at 57,600, in case the logger moved
  // without its report reaching us.
  static constexpr std::uint32_t kSwitchRateFirstGuess = 691200;
  static constexpr std::uint32_t kSwitchRateSecondGuess = 57600;
  static constexpr int kSaveDelayMs = 50;
  static constexpr int kDialogCloseDelayMs = 20;
  // Ticks of the one-second timer without data after which the transfer is given up.
  static constexpr int kStallTicks = 12;
  // A request that gets no answer at all is sent again after this long, kRequestTries times
  // in all; one lost frame must not leave the dialog waiting for ever.
  static constexpr int kNoAnswerMs = 3000;
  static constexpr int kRequestTries = 3;
  // The reply: the 8-byte request echo, 01 03, one byte, the 50-byte entry, then the stream.
  static constexpr std::size_t kHeadSize = 61;
  static constexpr std::size_t kSizeFieldOffset = 44;

  // Built-in texts of messages the download adds, for a language file that lacks their keys
  // (QL310/ql310_getfile_noanswer, _switchfail, _toolarge, _cut, _writefail).
  static constexpr const char* kNoAnswerText = "The logger did not answer the file request.";
  static constexpr const char* kSwitchFailedText =
      "The logger did not confirm the high line speed; the file was not fetched.";
  static constexpr const char* kTooLargeText = "The file is larger than 32 MiB and cannot be fetched.";
  static constexpr const char* kCutText =
      "The file ran past the 32 MiB download buffer; only its first 33554432 bytes were stored.";
  static constexpr const char* kWriteFailedText = "The data file could not be written:";
  // (QL310/ql310_getfile_crcbad, _refetch)
  static constexpr const char* kCrcMismatchText =
      "The file's checksum does not match: it was damaged on the line. It was stored as received:";
  static constexpr const char* kRefetchText = "The file was damaged on the line. Fetch it again?";
  static constexpr const char* kBatchText = "File %d of %d";
  // A second fetch of a damaged file waits until the line is back at its configured rate.
  static constexpr int kRefetchPollMs = 200;

  enum class Phase {
    Idle,       // nothing running
    Switching,  // the speed switch is being requested
    Requested,  // the file-data request is out, no answer yet
    Receiving,  // LinkState::Downloading: blocks are stream data
    Storing,    // all in (or the partial data accepted): TimerSaveFile is due
  };
  // How the last download ended.
  enum class Outcome { None, Stored, Cancelled, NotStored, NoAnswer, SwitchFailed, TooLarge, WriteFailed };

  using Clock = std::function<std::time_t()>;

  DownloadJob(Scheduler& loop, LinkState& state, Port& port, Operator& op, const FileTable& files,
              MemoLog& memo, TextLookup texts, Clock clock, LocalStore store);
  ~DownloadJob();
  DownloadJob(const DownloadJob&) = delete;
  DownloadJob& operator=(const DownloadJob&) = delete;

  // Hooks, run on the loop thread.
  std::function<void(const std::string&)> showStatus;  // the main window's status caption
  std::function<void()> liveDisplayOff;                // the live display stops while fetching
  std::function<void()> onDialogClosed;                // the rate restore runs 600 ms later
  // The identity written into the data file's header: firmware version, parameters, serial
  // number (the slot is filled in here).
  std::function<DataFileHeader()> identity;
  // The depth parameters and precisions of the download export (its time is filled in here).
  std::function<ExportOptions()> exportOptions;
  // The logger's clock as shown ("yyyy-mm-dd hh:mm:ss"), for the download record.
  std::function<std::string()> loggerClock;
  // The line is still busy after a download (its rate being restored): a second fetch waits.
  std::function<bool()> linkBusy;
  // After each file of a batch, stored or not.
  std::function<void(int slot, Outcome outcome)> onBatchFile;

  // StartDownload: the file at the displayed position (0-based) of the file list. Ignored while
  // a download runs or when nothing is listed there.
  void start(int position);
  // The files at these slots, in this order, behind one dialog; with one speed switch first when
  // any of them is above kSwitchAbove. A file that is not stored does not stop the batch; no
  // answer, a failed switch, a stall or cancel ends it. No export is offered.
  void startBatch(std::vector<int> slots);
  bool inBatch() const { return batchCount_ > 0; }
  int batchStored() const { return batchStored_; }
  // The dialog's cancel button: asks first while a transfer runs; otherwise just closes it.
  void cancel();
  // The dialog with its bar at 0 and nothing fetched (a double-click on the logo). Closing it
  // runs onDialogClosed as always.
  void showIdleDialog();

  // Dispatcher entries.
  void onFileDataHead(const Bytes& block);
  void onDownloadBlock(const Bytes& block);
  void onSpeedSwitchReply(std::uint32_t baudRate);
  // The one-second tick: the stall watchdog.
  void onSecondTick();
  // The line is gone: a running transfer ends as a stall does, with the same question.
  void onPortHangup();

  DownloadProgress& progress() { return progress_; }
  const DownloadProgress& progress() const { return progress_; }
  Phase phase() const { return phase_; }
  Outcome outcome() const { return outcome_; }
  bool running() const { return phase_ != Phase::Idle; }
  // A request or transfer is under way: nothing else may be sent that the logger would answer
  // into the stream (the keep-alive read would land in the file and hide a stall).
  bool holdsLink() const {
    return phase_ == Phase::Switching || phase_ == Phase::Requested || phase_ == Phase::Receiving;
  }

  std::int64_t total() const { return total_; }
  std::int64_t received() const { return received_; }
  int switchAttempts() const { return switchAttempts_; }
  // The data file written last, and its save stamp "yyyymmddhhmmss" (empty before the first).
  const std::string& storedPath() const { return storedPath_; }
  const std::string& lastSaveStamp() const { return lastSaveStamp_; }
  // Bytes of the stream that were stored (after realignment).
  std::size_t storedLength() const { return storedLength_; }
  // The download record of the file stored last.
  const DownloadRecord& lastRecord() const { return lastRecord_; }
  // Writes the download export of the file stored last (the export offered after storing);
  // false when nothing was stored or the file cannot be written.
  bool writeExport(const std::string& csvPath);

 private:
  void startSlot(int slot);
  bool listed(int slot) const;  // the file list shows this slot
  bool startNextOfBatch();
  void endBatch();
  void closeUnlessMoreFollow();
  void refetchTick();
  bool writeRecord(const std::string& path);
  // The reply's checksum against the first streamLength bytes of the buffer.
  bool checksumMatches(std::size_t streamLength) const;
  void sendRequest();
  void requestAgainOrGiveUp();
  void switchTick();
  void completeTransfer();
  void stall();
  void finish(Outcome outcome);
  void saveTick();
  bool saveDataFile(const std::string& path);
  void offerExport();
  void openDialog();
  void closeDialog();
  void setStatus(const std::string& text);
  void send(const Bytes& frameWithoutCrc);
  std::string text(const std::string& section, const std::string& key) const;
  // A QL310 text of the language file, or the built-in one when the file lacks it.
  std::string message(const std::string& key, const char* builtIn) const;
  std::string percentText() const;

  Scheduler& loop_;
  LinkState& state_;
  Port& port_;
  Operator& operator_;
  const FileTable& files_;
  MemoLog& memo_;
  TextLookup texts_;
  Clock clock_;
  LocalStore store_;
  DownloadProgress progress_;

  std::unique_ptr<Timer> switchTimer_;    // TimerGetFileData
  std::unique_ptr<Timer> saveTimer_;      // TimerSaveFile
  std::unique_ptr<Timer> closeTimer_;     // the dialog's close timer
  std::unique_ptr<Timer> noAnswerTimer_;  // resends an unanswered request
  std::unique_ptr<Timer> refetchTimer_;   // a damaged file's second fetch, once the line is free

  // The one preallocated buffer, made at the first download and kept.
  std::unique_ptr<std::uint8_t[]> buffer_;
  Phase phase_ = Phase::Idle;
  Outcome outcome_ = Outcome::None;
  std::int64_t total_ = 0;     // DownloadTotal
  std::int64_t received_ = 0;  // DownloadReceived
  int stallTicks_ = 0;
  int switchAttempts_ = 0;
  std::uint32_t rateBeforeSwitch_ = 0;
  int requestTries_ = 0;
  bool cut_ = false;    // the stream ran past the buffer
  Bytes responseHead_;  // 01 03, the mark byte and the entry: the start of the checksummed span
  std::int64_t announced_ = 0;

  // The batch: slots still to fetch, its size and how many were stored; the line is at the high
  // speed once switched.
  std::vector<int> batchQueue_;
  int batchCount_ = 0;
  int batchStored_ = 0;
  bool batchSwitched_ = false;
  bool batchNeedsSwitch_ = false;
  int refetchSlot_ = -1;

  // The file being fetched, as listed when the download started.
  int slot_ = -1;
  std::string itemText_;
  Bytes slotImage_;

  std::string storedPath_;
  std::string lastSaveStamp_;
  std::time_t saveTime_ = 0;
  std::size_t storedLength_ = 0;
  DownloadRecord lastRecord_;
};

}  // namespace ql
