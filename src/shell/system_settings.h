#pragma once
// The system settings dialog without its window: the battery change, the display precisions,
// the logger's baud rate and the zero drift correction of temperature and pressure. While the
// dialog is open it reads the two offsets once a second until it holds them; a correction
// typed by the operator is written back as (current offset + correction). The Qt dialog renders
// fields() and forwards the operator's actions here.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/observable.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"
#include "shell/settings_read.h"

namespace ql {

// What the dialog shows.
class SystemSettingsFields : public Observable {
 public:
  int temperatureDecimals = 2;  // spin boxes, 1..3
  int pressureDecimals = 2;
  int rateIndex = -1;      // in kBaudRateNames; -1: none chosen
  std::string baudResult;  // the result caption of the baud box

  std::string temperatureCurrent;  // "当前值", the live temperature text
  std::string temperatureCorrection;
  std::string temperatureDisplayed;
  bool temperatureWritten = false;  // "修改成功." shown

  std::string pressureCurrent;
  std::string pressureCorrection;
  std::string pressureDisplayed;
  bool pressureWritten = false;

  void changed() const { notify(); }
};

// The writes the dialog sends; each acknowledgement is taken for the write that is pending.
enum class SettingsWrite { None, Battery, BaudRate, TemperatureOffset, PressureOffset };

class SystemSettings {
 public:
  static constexpr int kRateCount = 8;
  static constexpr const char* kBaudRateNames[kRateCount] = {
      "4800 bps", "9600 bps", "14400 bps", "19200 bps", "28800 bps", "38400 bps", "57600 bps", "115200 bps"};
  // Blocks of the two offset reads and of the acknowledgements of the two offset writes.
  static constexpr std::size_t kTemperatureReplySize = 33;
  static constexpr std::size_t kPressureReplySize = 17;
  static constexpr std::size_t kPressureWriteAckSize = 21;
  static constexpr std::size_t kTemperatureWriteAckSize = 37;

  struct Context {
    TextLookup texts;
    // Sends a frame (without CRC) that is recorded as LastRequest.
    std::function<void(const Bytes& frameWithoutCrc)> sendRecorded;
    std::function<std::string()> liveTemperatureText;
    std::function<std::string()> livePressureText;
    // OK: the new precisions are taken and kept in sysuse.d at once.
    std::function<void(int temperatureDecimals, int pressureDecimals)> savePrecisions;
    // The logger took a new rate: "自动" is cleared on the main window.
    std::function<void()> onBaudRateChanged;
    // The battery counter was reset: the main window shows a full battery.
    std::function<void()> onBatteryChanged;
  };

  SystemSettings(Scheduler& loop, SettingsRead& read, Operator& op, Context context);

  SystemSettingsFields& fields() { return fields_; }
  bool open() const { return open_; }

  // FormShow with the program's current precisions, and FormClose.
  void show(int temperatureDecimals, int pressureDecimals);
  void close();
  // OK: takes the spin values and closes. Cancel is close().
  void accept();

  // The operator's edits.
  void setPrecisions(int temperatureDecimals, int pressureDecimals);
  void selectRate(int index);
  void setTemperatureCorrection(const std::string& text);
  void setPressureCorrection(const std::string& text);

  // The four buttons.
  void changeBattery();
  void changeBaudRate();
  void changeTemperatureOffset();
  void changePressureOffset();

  // Replies routed by the program.
  bool awaits(SettingsRead::Step step) const { return open_ && read_.awaits(step); }
  void takeTemperatureReply(const Bytes& block);
  void takePressureReply(const Bytes& block);
  void onWriteAcknowledged(const Bytes& block);
  void onBaudRateAccepted();

  // The hidden state: the replies as upper-case hexadecimal digits, the offsets as text.
  const std::string& temperatureDump() const { return temperatureDump_; }
  const std::string& pressureDump() const { return pressureDump_; }
  const std::string& temperatureOffset() const { return temperatureOffset_; }
  const std::string& pressureOffset() const { return pressureOffset_; }

  // The write sent last, and whether the logger acknowledged it (with or without the echo).
  SettingsWrite pendingWrite() const { return pendingWrite_; }
  // A write went out less than kAcknowledgementWaitMs ago and is not yet acknowledged: the live
  // poll waits, or its read would replace the write as the request the acknowledgement answers.
  bool awaitsAcknowledgement() const;
  static constexpr std::int64_t kAcknowledgementWaitMs = 1000;
  // The offset the last drift write sent, as text.
  const std::string& writtenOffset() const { return writtenOffset_; }
  bool acknowledged(SettingsWrite write) const { return write == pendingWrite_ && acknowledged_; }

  // The live sample changed: the current-value fields follow it.
  void refreshCurrentValues();

 private:
  void onTimer();
  void updateDisplayedValues();
  std::string text(const std::string& section, const std::string& key) const;
  void notLinked();
  bool askToWrite();
  void send(SettingsWrite write, const Bytes& frameWithoutCrc);

  Scheduler& loop_;
  SettingsRead& read_;
  Operator& operator_;
  Context context_;
  SystemSettingsFields fields_;
  std::unique_ptr<Timer> timer_;
  bool open_ = false;
  SettingsWrite pendingWrite_ = SettingsWrite::None;
  bool acknowledged_ = false;
  std::int64_t sentAtMs_ = 0;
  std::string temperatureDump_;
  std::string pressureDump_;
  std::string temperatureOffset_;
  std::string pressureOffset_;
  std::string writtenOffset_;
};

}  // namespace ql
