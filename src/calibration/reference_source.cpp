#include "calibration/reference_source.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "runtime/formats.h"

namespace ql::calibration {

namespace {

// The whole text as a 32-bit integer, or nothing.
std::optional<std::int32_t> parseWholeInteger(const std::string& text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

bool isMeasuringColumn(int column) { return column >= 2 && column <= 8 && column != 6; }

}  // namespace

std::string sourceInstruction(const std::string& pointText) {
  std::int32_t pascal = parseWholeInteger(pointText).value_or(reference_instruction::kFallbackPointPa);
  return ":SOURce " + formatFixed(pascal / 1000.0, 1) + "\r\n";
}

ReferenceSource::ReferenceSource(Scheduler& loop, Port& port, PortLister listPorts, ReferenceContext context)
    : loop_(loop),
      port_(port),
      listPorts_(std::move(listPorts)),
      context_(std::move(context)),
      openTimer_(loop.makeTimer(kOpenDelayMs, [this] { openTimerTick(); })),
      autoRunTimer_(loop.makeTimer(kAutoRunMs, [this] { autoRunTick(); })) {
  port_.setBaudRate(kBaudRate);
  if (listPorts_) portChoices_ = listPorts_();
}

ReferenceSource::~ReferenceSource() {
  // A close still waiting for its pause is finished now rather than never.
  if (closePending_) port_.close();
}

void ReferenceSource::choosePort(const std::string& name) {
  chosenPort_ = name;
  notify();
}

void ReferenceSource::refillPortChoices() {
  chosenPort_.clear();
  portChoices_ = listPorts_ ? listPorts_() : std::vector<std::string>{};
  notify();
}

void ReferenceSource::setAutomatic(bool checked) {
  automatic_ = checked;
  const int column = context_.pressureColumn();
  if (chosenPort_.size() < 4 || context_.pressureRow() < 1 || !isMeasuringColumn(column)) {
    automatic_ = false;
    ++sequence_;  // nothing of an earlier sequence goes out after this
    sequenceRunning_ = false;
    closePending_ = false;
    port_.close();
  } else {
    openTimer_->start();
  }
  notify();
}

void ReferenceSource::dialogShown() {
  automatic_ = false;
  autoRunTimer_->start();
  notify();
}

void ReferenceSource::dialogClosed() {
  autoRunTimer_->stop();
  openTimer_->stop();
  closeSequence();
}

void ReferenceSource::openTimerTick() {
  openTimer_->stop();
  if (automatic_)
    openSequence();
  else
    closeSequence();
}

void ReferenceSource::openSequence() {
  ++sequence_;
  closePending_ = false;
  // A port left open under another name (the choice changed meanwhile) is not the one wanted.
  if (port_.isOpen() && port_.commName() != chosenPort_) port_.close();
  port_.setCommName(chosenPort_);
  if (!port_.isOpen()) {
    try {
      port_.open();
    } catch (const SerialPortError&) {
      // Shown only by the port text staying black.
    }
  }
  notify();
  sequenceRunning_ = true;
  later(kOutputOnDelayMs, [this] {
    send(reference_instruction::kOutputOn);
    context_.setAutoTicks(0);
    later(kSourceDelayMs, [this] {
      sendSelectedPoint();
      sequenceRunning_ = false;
    });
  });
}

void ReferenceSource::closeSequence() {
  ++sequence_;
  send(reference_instruction::kOutputOff);
  sequenceRunning_ = true;
  closePending_ = true;
  later(kCloseDelayMs, [this] {
    port_.close();
    closePending_ = false;
    sequenceRunning_ = false;
    notify();
  });
}

void ReferenceSource::later(int delayMs, std::function<void()> step) {
  loop_.delay(delayMs,
              [this, alive = std::weak_ptr<bool>(alive_), sequence = sequence_, step = std::move(step)] {
                if (alive.expired() || sequence != sequence_) return;
                step();
              });
}

void ReferenceSource::send(std::string_view instruction) {
  port_.writeBuffer(reinterpret_cast<const std::uint8_t*>(instruction.data()), instruction.size());
}

void ReferenceSource::sendSelectedPoint() {
  send(sourceInstruction(context_.pointText(context_.pressureRow())));
}

void ReferenceSource::autoRunTick() {
  if (!automatic_ || sequenceRunning_ || !context_.pressureTabActive()) return;
  const int column = context_.pressureColumn();
  if (column == 7 || column == 8) {
    // Verification: the logger's reading is taken once the point has stood for ten ticks.
    const int ticks = context_.autoTicks() + 1;
    context_.setAutoTicks(ticks);
    if (ticks >= kVerificationTicks) {
      context_.setAutoTicks(0);
      context_.confirm();
      sendSelectedPoint();
    }
  } else if (column >= 2 && column <= 5) {
    // Calibration: the count starts again at 2 when the restarted average holds two samples, so
    // the point is confirmed once the window is full and the reference has had ten more ticks.
    int ticks = context_.autoTicks() + 1;
    context_.setAutoTicks(ticks);
    if (context_.sampleCount() == 2) {
      ticks = 2;
      context_.setAutoTicks(ticks);
    }
    if (ticks > context_.windowSize() + kSettlingTicks) {
      context_.setAutoTicks(0);
      context_.confirm();
      sendSelectedPoint();
    }
  } else {
    send(reference_instruction::kOutputOff);
  }
}

}  // namespace ql::calibration
