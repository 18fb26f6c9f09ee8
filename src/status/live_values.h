#pragma once
// Live values: the logger's current measurements, polled once a second while live display is on,
// shown in the download page's live-value box and the online monitor, and stored into the
// monitor's history ring.
//
// The reply to the poll (a read of eight registers from 0x0001) comes in several shapes, with
// and without the echo of the request; the data bytes hold pressure, temperature, third channel
// and internal temperature, each a signed 32-bit big-endian count of 0.0001 units.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "data/water_height.h"
#include "link/bytes.h"
#include "runtime/observable.h"
#include "status/monitor_history.h"

namespace ql {

// One sample, clamped to the plausible ranges.
struct LiveSample {
  double temperature = 0;          // °C, -50..100
  double pressure = 0;             // kPa, 0..1200
  double thirdChannel = 0;         // conductivity, mS/cm, 0..1200
  double internalTemperature = 0;  // °C, -50..100
};

// The poll request with its CRC: 01 03 00 01 00 08.
Bytes liveValueRequest();
// The data bytes of a reply by the five reply forms, tested in order (a later form that applies
// replaces what an earlier one took); nullopt when they give fewer than 8 bytes.
std::optional<Bytes> liveValueData(const Bytes& reply);
// The sample from 8 or 16 data bytes; missing bytes count as 0.
LiveSample decodeLiveSample(const Bytes& data);

// When the one-second tick sends the poll.
struct LivePollConditions {
  bool connected = false;
  bool liveDisplayOn = false;
  bool downloadPageShown = false;
  bool downloadRunning = false;
  bool infoPollAtFileList = false;  // the file list's long answer must not be interrupted
};
bool livePollDue(const LivePollConditions& conditions);

// How the values are shown, read at each sample: the settings may change at any time.
struct LiveDisplaySettings {
  int temperatureDecimals = 2;  // 1..3
  int pressureDecimals = 2;     // 1..3
  // DIS_THIRD: 2 the third field shows the water height, 3 the internal temperature, anything
  // else the third channel.
  int thirdField = 1;
  DepthParameters depth;
};

class LiveValues : public Observable {
 public:
  using Clock = std::function<std::time_t()>;
  using Settings = std::function<LiveDisplaySettings()>;

  // The ring is kept by the caller (it is saved with the program's state) and must outlive this.
  LiveValues(MonitorHistory& history, Clock clock, Settings settings);

  bool liveDisplayOn() const { return liveDisplayOn_; }
  void setLiveDisplay(bool on);

  // A live-value reply; false when it carried fewer than 8 data bytes (ignored).
  bool acceptReply(const Bytes& reply);
  // Stores the sample into the ring at the write index with the local time of now, updates the
  // texts and advances the write index.
  void store(const LiveSample& sample);
  // The ring part of store() alone: never allocates.
  void storeInRing(const LiveSample& sample);

  const MonitorHistory& history() const { return history_; }
  const LiveSample& latest() const { return latest_; }
  // Samples stored since start: views redraw when it changes.
  std::uint64_t sampleCount() const { return sampleCount_; }

  // The live-value box's three fields.
  const std::string& temperatureText() const { return temperatureText_; }
  const std::string& pressureText() const { return pressureText_; }
  const std::string& thirdText() const { return thirdText_; }
  // The monitor's four value captions: temperature, pressure, third channel, internal
  // temperature ("0.00").
  const std::array<std::string, 4>& monitorTexts() const { return monitorTexts_; }

 private:
  void updateTexts(const LiveSample& sample);

  MonitorHistory& history_;
  Clock clock_;
  Settings settings_;
  bool liveDisplayOn_ = false;
  LiveSample latest_;
  std::uint64_t sampleCount_ = 0;
  std::string temperatureText_, pressureText_, thirdText_;
  std::array<std::string, 4> monitorTexts_;
};

// The text of a value with a display precision code (1: "0.0", 3: "0.000", otherwise "0.00").
std::string formatWithDecimals(double value, int decimalsCode);

}  // namespace ql
