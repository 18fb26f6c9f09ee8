#pragma once
// The simulated QL310 logger: request bytes in, reply chunks out. It cuts Modbus-RTU frames out of
// the bytes it receives and answers each with the exact request frame (the echo) followed by the
// response. It answers only when the line rate the bytes arrived at equals its own rate.
//
// Registers are served by handlers keyed by register ranges (the newest registration wins), with
// the plain register bank as the fallback: a feature that needs behaviour (the clock, the ratios,
// the baud rate, the file table) adds a handler; plain values just live in the bank.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

#include "link/bytes.h"
#include "sim/acquisition.h"
#include "sim/calibration_store.h"
#include "sim/file_stream.h"
#include "sim/live_values.h"
#include "sim/logger_config.h"
#include "sim/logger_faults.h"
#include "sim/recorded_files.h"
#include "sim/register_bank.h"
#include "sim/reply.h"
#include "sim/request_framer.h"

namespace ql::sim {

// What a handler answers to one request.
struct Answer {
  // The response that follows the echo; the first chunk follows it without a pause.
  Reply chunks;
  bool echo = true;
  // Runs once the reply is built (for example: move to a new line rate after acknowledging).
  std::function<void()> afterReply;

  // No reply at all.
  static Answer none() { return Answer{{}, false, {}}; }
  bool isNone() const { return chunks.empty() && !echo; }
};

struct RegisterRange {
  std::uint16_t first = 0;
  std::uint16_t last = 0;
  bool contains(std::uint16_t reg) const { return reg >= first && reg <= last; }
};

class LoggerModel {
 public:
  using Clock = std::function<std::time_t()>;
  using MillisecondClock = std::function<std::int64_t()>;
  using Handler = std::function<Answer(const Request&)>;

  // clock gives the current time (local time is derived from it); by default the system clock.
  explicit LoggerModel(LoggerConfig config = {}, Clock clock = {});
  LoggerModel(const LoggerModel&) = delete;
  LoggerModel& operator=(const LoggerModel&) = delete;

  // Bytes that arrived at lineRate. Returns the reply chunks, in order (several requests in the
  // bytes give their replies one after the other). Bytes at a wrong rate are not understood.
  Reply receive(const Bytes& bytes, std::uint32_t lineRate);

  std::uint32_t baudRate() const { return baudRate_; }
  void setBaudRate(std::uint32_t rate) { baudRate_ = rate; }

  // Replacing the faults restarts their reply counting (and so clears a stall).
  void setFaults(const LoggerFaults& faults);
  const LoggerFaults& faults() const { return faults_; }
  // True once the vanish fault took effect: the transport should close the line.
  bool vanished() const { return vanished_; }

  const LoggerConfig& config() const { return config_; }
  RegisterBank& registers() { return bank_; }
  const RegisterBank& registers() const { return bank_; }
  std::time_t now() const;
  // Milliseconds on a monotonic clock, for the logger's busy times (an erase). By default the
  // steady clock; SimulatedLink puts the model on its loop's clock.
  void setMillisecondClock(MillisecondClock clock) { msClock_ = std::move(clock); }
  std::int64_t nowMs() const;
  // Erasing: the logger takes no request until the erase is done.
  bool busy() const { return nowMs() < busyUntilMs_; }

  // The recorded files: tests add, replace and read them here.
  RecordedFiles& files() { return files_; }
  const RecordedFiles& files() const { return files_; }
  // The logger's own clock: the time source shifted by what a clock write set.
  std::time_t loggerTime() const { return now() + clockOffset_; }
  std::optional<std::uint16_t> lastControlCode() const { return lastControlCode_; }
  // What the logger measures now: liveValuesAt(now()). The water follows the time source, not
  // the logger's clock, so setting the clock does not change it.
  LiveValues liveValues() const { return liveValuesAt(now()); }
  // True while a task records (run state 0x100D is 1). Recording fills the flash: 0xE003 grows by
  // one 16-byte record per record interval elapsed on the time source, up to the flash size.
  bool recording() const { return recordingSince_.has_value(); }

  // Calibration (sim/logger_calibration.cpp). What the sensors feel: by default the live values
  // (pressure; the water temperature for both temperature sensors); a test sets a value, nullopt
  // returns to the live one.
  void setFeltPressure(std::optional<double> kPa) { feltPressure_ = kPa; }
  // A pressure source (kPa) asked each time the sensor is read: a pressure reference whose output
  // is piped to the logger. While set it comes before the felt pressure; an empty one detaches.
  // It runs wherever the model does (under the pseudo-terminal server's lock in the simulator).
  void setPressureSource(std::function<double()> source) { pressureSource_ = std::move(source); }
  void setFeltTemperature(std::optional<double> celsius) { feltTemperature_ = celsius; }
  FeltConditions feltConditions() const;
  // The AD codes the acquisition read answers now (sim/acquisition.h has the transfer functions).
  AdCodes adCodes() const { return adCodesAt(feltConditions(), now()); }
  // The logger's own readings of those codes through the coefficient sets it holds: pressure
  // through 0x3001 (a set in Pa, read in kPa), temperature 1 through 0x3002, temperature 2 through
  // 0x3003.
  AcquisitionReadings acquisitionReadings() const;
  bool secondFamily() const;
  CalibrationStore& calibration() { return calibration_; }
  const CalibrationStore& calibration() const { return calibration_; }
  // The 512-byte parameter block as a read of 0x4000 returns it.
  Bytes parameterBlock() const;

  // Extension points: handlers for reads or writes whose first register lies in range.
  void addReadHandler(RegisterRange range, Handler handler);
  void addWriteHandler(RegisterRange range, Handler handler);

  // Response builders for handlers.
  // 01 03 <2N> data CRC
  static Answer readAnswer(const Bytes& data);
  // 01 10 register count CRC
  static Answer writeAck(const Request& request);

 private:
  struct Route {
    RegisterRange range;
    Handler handler;
  };

  void seedRegisters();
  void seedCalibration();
  void addCalibrationHandlers();
  Answer readCalibration(const Request& request) const;
  Answer writeCalibration(const Request& request);
  Answer readParameterBlock(const Request& request) const;
  Answer writeParameterPage(const Request& request);
  void addStandardHandlers();
  Answer handle(const Request& request);
  Answer readFromBank(const Request& request) const;
  Answer writeToBank(const Request& request);
  Answer readLiveValues(const Request& request) const;
  Answer writeTaskRegister(const Request& request);
  Answer writeRunState(const Request& request);
  void startRecording();
  // Adds the records made since the last call to the flash in use.
  void catchUpRecording();
  Answer readClock(const Request& request) const;
  Answer writeClock(const Request& request);
  Answer readConstants(const Request& request) const;
  Answer writeBaudRate(const Request& request);
  Answer readFileTable(const Request& request) const;
  Answer readFileData(const Request& request);
  Answer writeFileTable(const Request& request);
  StreamFaults streamFaultsFor(const RecordedFile& file) const;
  // Applies drop and split; the stall is checked before a request is handled at all.
  Reply deliverThroughFaults(Reply reply);
  Reply garbageFor(const Bytes& bytes);

  LoggerConfig config_;
  Clock clock_;
  MillisecondClock msClock_;
  RecordedFiles files_;
  std::int64_t busyUntilMs_ = 0;
  LoggerFaults faults_;
  RegisterBank bank_;
  RequestFramer framer_;
  std::vector<Route> readRoutes_;
  std::vector<Route> writeRoutes_;
  std::uint32_t baudRate_;
  std::time_t clockOffset_ = 0;
  std::optional<std::time_t> recordingSince_;
  std::uint32_t recordingIntervalMs_ = 0;  // the record interval when recording started
  std::int64_t recordsCounted_ = 0;        // records since then already added to the flash in use
  std::optional<std::uint16_t> lastControlCode_;
  bool vanished_ = false;
  CalibrationStore calibration_;
  Bytes storedBlock_;  // the parameter block's own bytes; register places are filled on read
  std::optional<double> feltPressure_;
  std::function<double()> pressureSource_;
  std::optional<double> feltTemperature_;
  int repliesMade_ = 0;  // since the faults were set, including dropped ones
  int repliesSent_ = 0;
  bool restarted_ = false;  // the restart fault took effect
  std::uint32_t garbageSeed_ = 0x2545F491u;
};

}  // namespace ql::sim
