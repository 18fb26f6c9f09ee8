#pragma once
// What the receive dispatcher hands each recognised block to. Features implement the kinds they
// own; everything defaults to "not mine".

#include <cstdint>

#include "link/bytes.h"

namespace ql {

// Every reply the program recognises, in the order the dispatcher tests them.
enum class ReplyKind {
  BatteryVoltage,         // 0x0101
  SerialNumber,           // 0x2002, exactly 17 bytes, CRC checked by the handler
  Model,                  // 0x2001
  HardwareVersion,        // 0x2004
  FirmwareVersion,        // 0x2006
  FlashSize,              // 0xE001
  FlashUsed,              // 0xE003
  Clock,                  // 0x1009
  FileList,               // 0xE00D, first block
  TaskName,               // 0xE005
  TaskStart,              // 0x1003
  TaskEnd,                // 0x1006
  RecordInterval,         // 0x1001
  AverageCount,           // 0x1010
  AverageInterval,        // 0x100E
  SendToPort,             // 0x100C
  TaskRunState,           // 0x100D
  BatteryUsed,            // 0x2080
  Constant32,             // 0xF001..0xF203, two registers
  Constant16,             // 0xF301, 0xF302
  BaudRateAccepted,       // write of 0x1102 acknowledged
  WriteAcknowledged,      // LastRequest echoed and acknowledged
  WriteAcknowledgedBare,  // acknowledgement without the echo
  Ratio64,                // 0xF101..0xF215, four registers
  DepthSettings,          // 0x2088
  SettingsDriftValue,     // 0x3006 read, while the settings dialog awaits it
  SettingsPressureDrift,  // 0x2084 read, while the settings dialog awaits it
  LiveValues,             // 0x0001
};

class ReplyHandlers {
 public:
  virtual ~ReplyHandlers() = default;

  // A recognised reply. The feature that owns the kind decodes it; a sequence that awaited it
  // moves itself on.
  virtual void onReply(ReplyKind kind, const Bytes& block) {}
  // Whether a sequence now awaits a reply of this kind. Asked only for the replies that carry no
  // echo to recognise them by (the settings dialog's two values).
  virtual bool awaits(ReplyKind kind) const { return false; }

  // Blocks claimed by a feature before any recognition.
  virtual void onCalibrationBlock(const Bytes& block) {}
  virtual void onDownloadBlock(const Bytes& block) {}
  // The head of a file transfer (a possibly joined block over 60 bytes).
  virtual void onFileDataHead(const Bytes& block) {}
  // A further block of an incomplete file list (LastReply holds it).
  virtual void onFileListContinuation(const Bytes& block) {}
  // The logger reports the rate it switched to.
  virtual void onSpeedSwitchReply(std::uint32_t baudRate) {}
  // A probe answer while searching, or any reply after a manual connect.
  virtual void onConnectionAnswer() {}
  // Trace: every block as hexadecimal text, before anything else happens to it.
  virtual void onTrace(const std::string& hexLine) {}
};

}  // namespace ql
