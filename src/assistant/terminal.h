#pragma once
// The assistant's terminal: the port and its line settings, the receive area and its display
// modes, the counters, manual, periodic, quick and file sends, the message panel and the
// parameter read-out. The window only renders this state and forwards user actions.
//
// Received blocks update the state at once (every byte is counted), but observers hear of it
// at most once a frame: a block after a quiet frame is flushed as soon as the blocks already
// waiting are in, later ones wait for the frame's end. A fast device causes one redraw per
// frame, never one per block, and a slow one sees each block at once.

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assistant/file_sender.h"
#include "assistant/read_out.h"
#include "assistant/receive_area.h"
#include "assistant/receive_text_decoder.h"
#include "assistant/terminal_line.h"
#include "link/serial_port.h"
#include "runtime/formats.h"
#include "runtime/scheduler.h"

namespace ql {

class Terminal {
 public:
  // What changed, as a bit set handed to the observer.
  enum Change : unsigned {
    kReceiveArea = 1u << 0,
    kCounters = 1u << 1,
    kPortState = 1u << 2,  // open/closed: lamp and open button caption
    kMessage = 1u << 3,
    kClock = 1u << 4,
    kReadOut = 1u << 5,
    kInfo = 1u << 6,
    kPortList = 1u << 7,
  };
  using ChangeHandler = std::function<void(unsigned changes)>;
  using PortLister = std::function<std::vector<std::string>()>;

  // One screen frame: the longest a received block waits to be shown.
  static constexpr int kFlushDelayMs = 16;
  // The longest the port holds bytes of a block still arriving before handing them over.
  static constexpr std::uint32_t kPieceIntervalMs = 2;
  static constexpr int kMessageMs = 1000;
  static constexpr int kClockMs = 1000;
  // The port list is scanned this often, so an adapter plugged in or out shows without a click.
  static constexpr int kPortScanMs = 2000;
  // Automatic clearing empties the area once it holds more than this many characters.
  static constexpr std::size_t kAutoClearLimit = 1'000'000;

  static constexpr const char* kOpenFailedMessage = "串口不存在或被占用";
  static constexpr const char* kSentMessage = " 发送完毕";

  Terminal(Scheduler& scheduler, TerminalLine& line, PortLister portLister);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  void setOnChanged(ChangeHandler handler) { onChanged_ = std::move(handler); }

  // --- port setup
  // The open button: closes an open port, or opens a closed one (a failure shows the message
  // and leaves it closed).
  void pressOpenButton();
  // True while the open button reads "关闭串口" and the lamp is lit.
  bool portOpen() const { return portOpen_; }
  // The port box: closes the port, re-targets it and opens it again when it was open.
  void setPortName(const std::string& name);
  const std::string& portName() const { return portName_; }
  // Closes an open port and lists the machine's ports again (an empty list keeps the old one).
  void refreshPortList();
  // The periodic scan: takes the machine's ports as they are now, leaving the port and its
  // name alone; observers hear of it only when the list changed.
  void rescanPorts();
  const std::vector<std::string>& portList() const { return portList_; }
  // A baud box text; one that names no rate is ignored.
  void setBaudText(std::string_view text);
  void setParityIndex(int index);
  void setDataBitsIndex(int index);
  void setStopBitsIndex(int index);
  const LineSettings& lineSettings() const { return lineSettings_; }

  // --- receiving
  void setDisplayRunning(bool running);
  bool displayRunning() const { return displayRunning_; }
  void setHexDisplay(bool hex);
  bool hexDisplay() const { return hexDisplay_; }
  void setAutoClear(bool on) { autoClear_ = on; }
  bool autoClear() const { return autoClear_; }
  void clearReceiveArea();
  void setReceiveText(const std::string& utf8);
  // The receive area with everything received so far.
  const ReceiveArea& receiveArea() {
    materialize();
    return receiveArea_;
  }
  std::uint64_t receivedTotal() const { return receivedTotal_; }
  // Bytes received up to the last flush: what the receive area (and so the screen) holds.
  std::uint64_t flushedTotal() const { return flushedTotal_; }
  // "ReceivedTotal(last block)"
  std::string receiveCounterText() const;
  // Writes a line of four blanks and the time, then the receive area and a line end (CR LF).
  bool saveReceiveArea(const std::string& path, const DateTime& now);

  // --- sending
  void setSendText(std::string text) { sendText_ = std::move(text); }
  const std::string& sendText() const { return sendText_; }
  void setHexSend(bool hex) { hexSend_ = hex; }
  bool hexSend() const { return hexSend_; }
  // "手动发送" and every auto-send tick.
  void sendOnce();
  // A quick-send row: its text read as hexadecimal.
  void quickSend(std::string_view hexText);
  void setAutoSend(bool on);
  bool autoSend() const;
  void setAutoSendPeriod(int ms);
  int autoSendPeriod() const { return autoSendPeriod_; }
  // Sends a whole file in pieces with progress on the message panel; false when unreadable.
  bool sendFile(const std::string& path);
  std::uint64_t sentTotal() const { return sentTotal_; }
  std::string sendCounterText() const;
  void resetCounters();
  void resetReceiveCounter();
  void resetSendCounter();

  // --- panels
  const std::string& message() const { return message_; }
  // The information panel: the receive area's length before the last block, or a file name.
  const std::string& info() const { return info_; }
  void setInfo(std::string text);
  std::string clockText() const;

  // --- read-out
  void setReadOutParameters(const ReadOutParameters& parameters);
  const ReadOutParameters& readOutParameters() const { return readOut_; }
  const std::array<std::string, kReadOutCount>& readOutValues() const { return readOutValues_; }

 private:
  void onReceive(const std::uint8_t* data, std::size_t length);
  // A piece of a block still arriving: shown and counted at once; the block's own count "(n)"
  // and the read-out wait for its end, so they see the block whole as before.
  void onPiece(const std::uint8_t* data, std::size_t length, bool blockEnds);
  void receiveBytes(const std::uint8_t* data, std::size_t length);
  void blockEnded(const std::uint8_t* data, std::size_t length);
  void flush();
  // Arms the flush for the end of the current frame (at once after a quiet one).
  void scheduleFlush();
  // Length of the area once the pending bytes are in.
  std::size_t areaLength() const;
  // Brings the pending hexadecimal bytes (and a pending clear) into the area.
  void materialize();
  void notify(unsigned changes);
  void openPort();
  void closePort();
  void applyLine();
  bool sendBytes(const std::uint8_t* data, std::size_t length);
  void showMessage(std::string text);
  // A message that stays until the next one: advice takes longer to read than a second.
  void showLastingMessage(std::string text);

  Scheduler& scheduler_;
  TerminalLine& line_;
  PortLister portLister_;
  ChangeHandler onChanged_;

  std::string portName_;
  std::vector<std::string> portList_;
  LineSettings lineSettings_;
  bool portOpen_ = false;

  ReceiveArea receiveArea_;
  ReceiveTextDecoder decoder_;
  std::u16string scratch_;
  std::vector<std::uint8_t> growingBlock_;  // the pieces of the block still arriving
  std::size_t infoBeforeBlock_ = 0;
  // Hexadecimal display keeps received bytes raw until the flush: at a flood's pace most of
  // them fall to automatic clearing before they are ever shown, and are then never rendered.
  Bytes pendingHex_;
  bool clearPending_ = false;
  bool displayRunning_ = true;
  bool hexDisplay_ = true;
  bool autoClear_ = true;
  std::uint64_t receivedTotal_ = 0;
  std::uint64_t flushedTotal_ = 0;
  std::size_t lastReceived_ = 0;

  std::string sendText_ = "1276";
  bool hexSend_ = true;
  int autoSendPeriod_ = 1000;
  std::uint64_t sentTotal_ = 0;
  std::size_t lastSent_ = 0;

  std::string message_;
  std::string info_;
  ReadOutParameters readOut_;
  std::array<std::string, kReadOutCount> readOutValues_;

  unsigned pendingChanges_ = 0;
  std::int64_t lastFlushMs_ = std::numeric_limits<std::int64_t>::min() / 2;
  std::unique_ptr<Timer> flushTimer_;
  std::unique_ptr<Timer> messageTimer_;
  std::unique_ptr<Timer> clockTimer_;
  std::unique_ptr<Timer> autoSendTimer_;
  std::unique_ptr<Timer> portScanTimer_;
  FileSender fileSender_;
};

}  // namespace ql
