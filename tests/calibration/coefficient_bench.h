#pragma once
// The coefficient sequences against a simulated logger on the virtual clock: the frames they send
// go through a MemoryPort to sim::LoggerModel, and every block the port receives is handed to
// takeReply, as the workbench does after its own acquisition reply.

#include <gtest/gtest.h>

#include <ctime>
#include <initializer_list>
#include <string>
#include <vector>

#include "calibration/coefficient_panel.h"
#include "calibration/coefficient_sequences.h"
#include "calibration/parameter_backup.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/memory_port.h"
#include "link/register_map.h"
#include "runtime/virtual_scheduler.h"
#include "sim/logger_model.h"
#include "sim/model_family.h"
#include "sim/simulated_link.h"

namespace ql::calibration::test {

inline constexpr std::time_t kStartTime = 1796900000;

inline sim::LoggerConfig loggerOfModel(const char* modelText, bool echoWriteAcks = true) {
  sim::LoggerConfig config;
  config.fileCount = 0;
  config.echoWriteAcks = echoWriteAcks;
  EXPECT_TRUE(sim::applyModelText(config, modelText));
  return config;
}

inline Bytes singles(std::initializer_list<float> values) {
  Bytes out;
  for (float value : values) {
    Bytes single = FloatToBeBytes(value);
    out.insert(out.end(), single.begin(), single.end());
  }
  return out;
}

struct CoefficientBench {
  explicit CoefficientBench(sim::LoggerConfig config = loggerOfModel("QL310"))
      : logger(std::move(config), sim::loopClock(loop, kStartTime)),
        simulated(loop, port, logger),
        backup([this](const std::string& text) { status = text; }),
        sequences(loop, panel, backup, makeLink()) {
    panel.setFamily(logger.secondFamily());
    port.setOnReceiveData([this](const std::uint8_t* data, std::size_t length) {
      Bytes block(data, data + length);
      received.push_back(block);
      if (sequences.takeReply(block)) ++consumed;
    });
    port.open();
  }

  CoefficientLink makeLink() {
    CoefficientLink link;
    link.send = [this](const Bytes& frame) { port.writeBuffer(AppendCrc(frame)); };
    link.sendRecorded = [this](const Bytes& frame) {
      lastRequest = AppendCrc(frame);
      port.writeBuffer(lastRequest);
    };
    link.lastRequest = [this] { return lastRequest; };
    link.firmwareText = [this] { return firmware; };
    link.secondFamily = [this] { return logger.secondFamily(); };
    link.setStatus = [this](const std::string& text) { status = text; };
    return link;
  }

  bool idle() const { return !sequences.reading().running() && !sequences.writing().running(); }
  // Runs the loop until both sequences have ended (at most maxMs).
  bool finish(std::int64_t maxMs = 20000) {
    return loop.advanceUntil([this] { return idle(); }, maxMs);
  }

  // The frames sent, without their CRC.
  std::vector<Bytes> sentFrames() const {
    std::vector<Bytes> frames;
    for (const Bytes& frame : port.writeLog()) frames.emplace_back(frame.begin(), frame.end() - 2);
    return frames;
  }
  // The register addresses of the frames sent, in order.
  std::vector<std::uint16_t> sentAddresses() const {
    std::vector<std::uint16_t> addresses;
    for (const Bytes& frame : port.writeLog()) addresses.push_back(BeU16(frame[2], frame[3]));
    return addresses;
  }

  // What the logger holds at a register, as a read would return it.
  Bytes loggerHolds(std::uint16_t address, int count) const {
    if (address >= reg::kCalibrationBase && address <= reg::kCalibrationLast)
      return logger.calibration().read(address, count);
    return logger.registers().read(address, count);
  }
  // The logger stops answering: frames are still logged as sent.
  void silenceLogger() {
    port.setDevice([](const Bytes&, std::uint32_t) {});
  }
  // The logger's answer to a frame, delivered as one block after delayMs.
  void deliverAnswer(const Bytes& frameWithCrc, int delayMs = 10) {
    Bytes all;
    for (const sim::ReplyChunk& chunk : logger.receive(frameWithCrc, logger.baudRate()))
      all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
    port.deliver(all, delayMs);
  }

  VirtualScheduler loop;
  MemoryPort port{loop};
  sim::LoggerModel logger;
  sim::SimulatedLink simulated;
  CoefficientPanel panel;
  std::string status = "(none)";
  ParameterBackup backup;
  Bytes lastRequest;
  std::string firmware = "1.3.2.16";
  CoefficientSequences sequences;
  std::vector<Bytes> received;
  int consumed = 0;
};

}  // namespace ql::calibration::test
