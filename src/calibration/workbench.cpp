#include "calibration/workbench.h"

#include <algorithm>
#include <cmath>

#include "calibration/cell_text.h"
#include "link/codecs.h"
#include "link/register_map.h"
#include "runtime/formats.h"

namespace ql::calibration {

namespace pc = pressure_column;
namespace tc = temperature_column;

namespace {

constexpr std::uint8_t kBlank = 0x20;
const Bytes kAcquisitionHead{0x01, 0x03, 0x24};
const Bytes kEightByteHead{0x01, 0x03, 0x08};
const Bytes kFourByteHead{0x01, 0x03, 0x04};
// The logger's readings come in units of 0.0001.
constexpr double kReadingScale = 10000.0;

bool isOneOf(int value, std::initializer_list<int> set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

// Offset of the first occurrence of pattern in data, or npos.
std::size_t find(const Bytes& data, const Bytes& pattern) {
  auto at = std::search(data.begin(), data.end(), pattern.begin(), pattern.end());
  return at == data.end() ? std::string::npos : static_cast<std::size_t>(at - data.begin());
}

std::int32_t signedValue(const Bytes& data, std::size_t offset) {
  return static_cast<std::int32_t>(BeU32(data.data() + offset));
}

std::string readingText(std::int32_t value) { return formatFixed(value / kReadingScale, 3); }

std::string clockText(std::time_t t) {
  const DateTime local = localDateTime(t);
  return TwoDigits(local.hour) + ":" + TwoDigits(local.minute) + ":" + TwoDigits(local.second);
}

}  // namespace

Bytes acquisitionRequest() { return reg::readRequest(reg::kAcquisition, reg::kAcquisitionCount); }

Workbench::Workbench(Context context) : context_(std::move(context)) {
  pollTimer_ = context_.loop.makeTimer(kPollMs, [this] { pollTick(); });
  receiveTimer_ = context_.loop.makeTimer(kReceiveMs, [this] { receiveTick(); });
  highlightTimer_ = context_.loop.makeTimer(kHighlightMs, [this] { refreshHighlight(); });
  flashTimer_ = context_.loop.makeTimer(kFlashMs, [this] {
    flashTimer_->stop();
    fields_.acquisitionFlash = false;
    fields_.changed();
  });
}

Workbench::~Workbench() = default;

std::time_t Workbench::now() const { return context_.clock ? context_.clock() : std::time(nullptr); }

bool Workbench::secondFamily() const {
  return context_.modelText && context_.modelText().find("25") != std::string::npos;
}

std::string Workbench::firmwareText() const { return context_.firmwareText ? context_.firmwareText() : ""; }

std::string Workbench::pointText(int row) const { return pressureTable_.cell(pc::kPoint, row); }

void Workbench::setAutoTicks(int ticks) { fields_.AutoTicks = ticks; }

// --- opening and closing ------------------------------------------------------------------------

void Workbench::sendModeTwice(std::uint16_t value) {
  const Bytes frame = reg::writeRequest(reg::kCalibrationMode, value);
  auto send = [this, frame, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.lock() && context_.send) context_.send(frame);
  };
  context_.loop.delay(kFormShowDelayMs, [this, send, alive = std::weak_ptr<bool>(alive_)] {
    if (!alive.lock()) return;
    send();
    context_.loop.delay(kModeRepeatMs, send);
  });
}

void Workbench::show() {
  if (open()) return;
  context_.state.CalibrationActive = true;
  sendModeTwice(kEnterCalibrationMode);
  pollTimer_->start();
  highlightTimer_->start();
  if (context_.onShown) context_.onShown();
  fields_.changed();
}

void Workbench::close() {
  if (!open()) return;
  context_.state.CalibrationActive = false;
  pollTimer_->stop();
  highlightTimer_->stop();
  if (context_.onClosing) context_.onClosing();
  // The logger leaves calibration mode even though the workbench no longer listens.
  sendModeTwice(kLeaveCalibrationMode);
  fields_.changed();
}

// --- acquisition poll -----------------------------------------------------------------------------

bool Workbench::pollsPressure() const {
  return fields_.tab != WorkbenchTab::Temperature &&
         isOneOf(fields_.PressureCell.column, {2, 3, 4, 5, 7, 8, 10});
}

bool Workbench::pollsTemperature() const {
  return fields_.tab == WorkbenchTab::Temperature && fields_.TemperatureCell.row >= 1 &&
         isOneOf(fields_.TemperatureCell.column, {2, 3, 4});
}

std::string Workbench::positionsText() const {
  return std::to_string(fields_.PressureCell.column) + "_" + std::to_string(fields_.PressureCell.row) + "_" +
         std::to_string(fields_.TemperatureCell.column) + "_" + std::to_string(fields_.TemperatureCell.row);
}

void Workbench::pollTick() {
  fields_.positions = positionsText();
  if ((pollsPressure() || pollsTemperature()) && context_.sendRecorded)
    context_.sendRecorded(acquisitionRequest());
  fields_.changed();
}

bool Workbench::startAcquisition() {
  const Cell p = fields_.PressureCell;
  const Cell t = fields_.TemperatureCell;
  bool measured = false;
  if (fields_.tab == WorkbenchTab::Pressure)
    measured = p.row >= 1 && isOneOf(p.column, {2, 3, 4, 5, 7, 8});
  else if (fields_.tab == WorkbenchTab::Temperature)
    measured = t.row >= 1 && isOneOf(t.column, {2, 3});
  // The poll belongs to the open workbench: closed, it would talk to a logger out of calibration mode.
  if (!measured || !open()) return false;
  pollTimer_->start();
  return true;
}

// --- reply handling -------------------------------------------------------------------------------

void Workbench::receive(const Bytes& block) {
  calibrationBuffer_.assign(1, kBlank);
  calibrationBuffer_.insert(calibrationBuffer_.end(), block.begin(), block.end());
  // Enabling a running TimerReceive does not re-arm it: a block that follows within 18 ms
  // replaces the first and is examined at the first one's time.
  receiveTimer_->start();
}

void Workbench::receiveTick() {
  receiveTimer_->stop();
  if (calibrationBuffer_.size() < 2) return;
  // A reply that came without its echo, as a block of its own: put the request in front.
  if (calibrationBuffer_.size() == 1 + kAcquisitionReplySize &&
      std::equal(kAcquisitionHead.begin(), kAcquisitionHead.end(), calibrationBuffer_.begin() + 1)) {
    Bytes rebuilt{kBlank};
    rebuilt.insert(rebuilt.end(), context_.state.LastRequest.begin(), context_.state.LastRequest.end());
    rebuilt.insert(rebuilt.end(), calibrationBuffer_.begin() + 1, calibrationBuffer_.end());
    calibrationBuffer_ = std::move(rebuilt);
  }
  const Bytes block(calibrationBuffer_.begin() + 1, calibrationBuffer_.end());
  if (startsWith(block, acquisitionRequest())) {
    acceptAcquisition(block);
    return;
  }
  if (context_.takeOtherReply && context_.takeOtherReply(block)) return;
  acceptShortReply(block);
}

void Workbench::acceptAcquisition(const Bytes& block) {
  const std::size_t head = find(block, kAcquisitionHead);
  if (head == std::string::npos || block.size() - head != kAcquisitionReplySize) return;
  std::array<std::int32_t, 9> value{};
  for (std::size_t i = 0; i < value.size(); ++i) value[i] = signedValue(block, head + 3 + 4 * i);

  // Value 0 temperature 1, 1 pressure, 2 temperature 2, 3 the reference channel; 4 and 7 unused.
  rings_.put({value[0], value[1], value[3], value[2]});
  fields_.temperature1Reading = readingText(value[5]);
  fields_.pressureReading = readingText(value[6]);
  fields_.temperature2Reading = readingText(value[8]);
  flash();
  showSampleCount();

  if (fields_.tab == WorkbenchTab::Pressure) {
    fields_.instant1 = std::to_string(rings_.at(SampleRings::kPressure));
    fields_.average1 = std::to_string(rings_.RingAverage(SampleRings::kPressure));
    fields_.instant2.clear();
    fields_.average2.clear();
  } else if (fields_.tab == WorkbenchTab::Temperature && isOneOf(fields_.TemperatureCell.column, {2, 3})) {
    fields_.instant1 = std::to_string(rings_.at(SampleRings::kTemperature1));
    fields_.instant2 = std::to_string(rings_.at(SampleRings::kTemperature2));
    fields_.average1 = std::to_string(rings_.RingAverage(SampleRings::kTemperature1));
    fields_.average2 = std::to_string(rings_.RingAverage(SampleRings::kTemperature2));
  }
  rings_.advance();
  fields_.changed();
}

void Workbench::acceptShortReply(const Bytes& block) {
  const int pressureColumn = fields_.PressureCell.column;
  const int temperatureColumn = fields_.TemperatureCell.column;
  const bool pressureTab = fields_.tab == WorkbenchTab::Pressure;
  const bool temperatureTab = fields_.tab == WorkbenchTab::Temperature;

  const std::size_t eight = find(block, kEightByteHead);
  if (eight != std::string::npos && block.size() - eight >= 11) {
    if (pressureTab && isOneOf(pressureColumn, {7, 8}))
      fields_.temperature1Reading = std::to_string(signedValue(block, eight + 3));
    else if (temperatureTab && temperatureColumn == 3)
      fields_.temperature1Reading = readingText(signedValue(block, eight + 7));
    fields_.changed();
    return;
  }
  const std::size_t four = find(block, kFourByteHead);
  if (four != std::string::npos && block.size() - four > 8) {
    if ((pressureTab && isOneOf(pressureColumn, {2, 3, 4, 5})) || (temperatureTab && temperatureColumn == 2))
      fields_.temperature1Reading = std::to_string(signedValue(block, four + 3));
    fields_.changed();
  }
}

void Workbench::showSampleCount() {
  fields_.sampleCountText =
      std::to_string(rings_.SampleCount()) + "(" + std::to_string(fields_.AutoTicks) + ")";
}

void Workbench::flash() {
  fields_.acquisitionFlash = true;
  flashTimer_->restart();
}

void Workbench::restartAveraging() {
  rings_.restart();
  fields_.sampleCountText = "0";
  fields_.instant1 = "0";
  fields_.average1 = "0";
  fields_.instant2 = "0";
  fields_.average2 = "0";
  fields_.changed();
}

void Workbench::setWindow(int window) {
  rings_.setWindow(window);
  fields_.window = rings_.window();
  restartAveraging();
}

// --- confirmation ---------------------------------------------------------------------------------

void Workbench::confirm() {
  if (fields_.tab == WorkbenchTab::Pressure)
    confirmPressure();
  else if (fields_.tab == WorkbenchTab::Temperature)
    confirmTemperature();
  refreshHighlight();
  fields_.changed();
}

void Workbench::confirmPressure() {
  PointTable& table = pressureTable_;
  int c = fields_.PressureCell.column;
  int r = fields_.PressureCell.row;
  const int rows = table.rowCount();
  // Without a selected row there is nothing to lock (and the header row must stay).
  if (r < 1 || r >= rows) return;

  if (c == pc::kPressureInfluence) {
    table.setCell(c, r, fields_.temperature2Reading);
    ++r;
    if (r >= rows) r = 0;
    fields_.PressureCell = {c, r};
    table.changed();
    return;
  }
  if (isOneOf(c, {2, 3, 4, 5, 7, 8})) {
    if (c <= pc::kCycle2Falling) {
      table.setCell(c, r, fields_.average1);
      restartAveraging();
    } else {
      table.setCell(c, r, fields_.pressureReading);
    }
    fields_.pressureReading.clear();
    table.setCell(pc::kPressureInfluence, r, fields_.temperature2Reading);
  }
  updateCycleAverage(r);
  updateFullScale();
  updatePressureError(r);
  updateLargestError();

  // Rising columns go down the table, falling ones back up. Both checks run, so the end of a
  // rising column lands on the falling column's last row: the top point is measured twice.
  if (isOneOf(c, {2, 4, 7})) {
    ++r;
    if (r >= rows) {
      ++c;
      r = rows;
    }
  }
  if (isOneOf(c, {3, 5, 8})) {
    --r;
    if (r < 1) {
      ++c;
      r = 1;
    }
  }
  fields_.PressureCell = {c, r};
  fields_.LastPressureCell = fields_.PressureCell;
  table.changed();
}

void Workbench::updateCycleAverage(int row) {
  std::int64_t sum = 0;
  for (int column = pc::kCycle1Rising; column <= pc::kCycle2Falling; ++column) {
    const std::string& text = pressureTable_.cell(column, row);
    if (text.size() <= 2) return;
    const auto value = parseCellInteger(text);
    if (!value) return;
    sum += *value;
  }
  pressureTable_.setCell(pc::kAverage, row, formatShortest(static_cast<double>(sum) / 4.0));
}

void Workbench::updateFullScale() {
  double largest = 0.0;
  for (int row = 1; row < pressureTable_.rowCount(); ++row)
    if (const auto point = parseCellNumber(pressureTable_.cell(pc::kPoint, row)))
      largest = std::max(largest, *point);
  fields_.FullScale = largest;
}

void Workbench::updatePressureError(int row) {
  const std::string& rising = pressureTable_.cell(pc::kVerifyRising, row);
  const std::string& falling = pressureTable_.cell(pc::kVerifyFalling, row);
  if (rising.size() <= 2 || falling.size() <= 2) return;
  const auto up = parseCellNumber(rising);
  const auto down = parseCellNumber(falling);
  const auto point = parseCellNumber(pressureTable_.cell(pc::kPoint, row));
  // No full scale yet: an error in percent of it does not exist.
  if (!up || !down || !point || fields_.FullScale == 0.0) return;
  const double deviation = std::max(std::fabs(*up * 1000.0 - *point), std::fabs(*down * 1000.0 - *point));
  pressureTable_.setCell(pc::kError, row, formatFixed(deviation * 100.0 / fields_.FullScale, 3));
}

void Workbench::updateLargestError() {
  if (pressureTable_.cell(pc::kError, 1).size() <= 2) return;
  int largestRow = 0;
  double largest = 0.0;
  for (int row = 1; row < pressureTable_.rowCount(); ++row) {
    const auto error = parseCellNumber(pressureTable_.cell(pc::kError, row));
    if (!error) break;
    if (largestRow == 0 || *error > largest) {
      largestRow = row;
      largest = *error;
    }
  }
  if (largestRow != 0)
    fields_.largestError = kLargestErrorCaption + pressureTable_.cell(pc::kError, largestRow) + "%";
}

void Workbench::confirmTemperature() {
  PointTable& table = temperatureTable_;
  const int c = fields_.TemperatureCell.column;
  int r = fields_.TemperatureCell.row;
  const int lastRow = table.rowCount() - 1;
  if (r < 1 || r > lastRow || !isOneOf(c, {2, 3, 4})) return;

  if (c == tc::kVerify1) {
    table.setCell(tc::kVerify1, r, fields_.temperature1Reading);
    table.setCell(tc::kVerify2, r, fields_.temperature2Reading);
    const auto reading = parseCellNumber(table.cell(tc::kVerify1, r));
    const auto point = parseCellNumber(table.cell(tc::kPoint, r));
    if (reading && point) table.setCell(tc::kError, r, formatFixed(*reading - *point, 3));
  } else {
    // Both sensors are locked at once, whichever of their columns is selected.
    table.setCell(tc::kSensor1, r, fields_.average1);
    table.setCell(tc::kSensor2, r, fields_.average2);
    restartAveraging();
  }
  table.setCell(tc::kTime, r, clockText(now()));

  // Down while the next cell is empty; otherwise up to an empty cell above, or stop.
  if (r < lastRow && table.cell(c, r + 1).size() < 2)
    ++r;
  else if (r < 2)
    r = 0;
  else if (table.cell(c, r - 1).size() > 1)
    r = 0;
  else
    --r;
  fields_.TemperatureCell = {c, r};
  table.changed();
}

void Workbench::computeAverages() {
  if (fields_.tab != WorkbenchTab::Pressure) return;
  for (int row = 1; row < pressureTable_.rowCount(); ++row) {
    std::int64_t sum = parseCellInteger(pressureTable_.cell(pc::kCycle1Rising, row)).value_or(0);
    int count = 1;
    for (int column = pc::kCycle1Falling; column <= pc::kCycle2Falling; ++column) {
      const std::string& text = pressureTable_.cell(column, row);
      if (text.size() <= 1) continue;
      sum += parseCellInteger(text).value_or(0);
      ++count;
    }
    pressureTable_.setCell(pc::kAverage, row, formatShortest(static_cast<double>(sum) / count));
  }
  pressureTable_.changed();
}

// --- selection, keys, tabs ------------------------------------------------------------------------

void Workbench::selectPressureCell(int column, int row) {
  fields_.PressureCell = {column, row};
  refreshHighlight();
  fields_.changed();
}

void Workbench::selectTemperatureCell(int column, int row) {
  const bool measured = column >= 2 && column <= 4 && row >= 1;
  fields_.TemperatureCell = measured ? Cell{column, row} : Cell{};
  refreshHighlight();
  fields_.changed();
}

void Workbench::clearCells() {
  fields_.PressureCell = {};
  fields_.TemperatureCell = {};
  refreshHighlight();
  fields_.changed();
}

void Workbench::keyReleased(TableKey key, Cell focused) {
  switch (key) {
    case TableKey::Space: {
      const PointTable& table = fields_.tab == WorkbenchTab::Temperature ? temperatureTable_ : pressureTable_;
      fields_.adInput = table.cell(focused.column, focused.row);
      fields_.changed();
      return;
    }
    case TableKey::Backspace:
      restartAveraging();
      return;
    case TableKey::Enter: {
      const Cell p = fields_.PressureCell;
      const Cell t = fields_.TemperatureCell;
      if (fields_.tab == WorkbenchTab::Pressure && p.column >= 2 && p.column <= 10 &&
          p.column != pc::kAverage && p.column != pc::kError && p.row >= 1)
        confirm();
      else if (fields_.tab == WorkbenchTab::Temperature && t.column >= 2 && t.column <= 4 && t.row >= 1)
        confirm();
      return;
    }
  }
}

void Workbench::selectTab(WorkbenchTab tab) {
  fields_.tab = tab;
  if (context_.onTabChanged) context_.onTabChanged(tab);
  refreshHighlight();
  fields_.changed();
}

void Workbench::refreshHighlight() {
  RedCell pressure;
  const Cell p = fields_.PressureCell;
  if (fields_.tab == WorkbenchTab::Pressure && p.column > 1 && p.column != pc::kAverage &&
      p.column != pc::kError && p.row >= 1) {
    pressure = {true, p, ""};
    fields_.LastPressureCell = p;
  }
  RedCell temperature;
  const Cell t = fields_.TemperatureCell;
  if (fields_.tab == WorkbenchTab::Temperature && t.column >= 2 && t.column <= 4 && t.row >= 1) {
    // The verification cell shows the logger's live reading until it is confirmed.
    temperature = {true, t, t.column == tc::kVerify1 ? fields_.temperature1Reading : ""};
    fields_.LastTemperatureCell = t;
  }
  if (pressure == fields_.pressureHighlight && temperature == fields_.temperatureHighlight) return;
  fields_.pressureHighlight = pressure;
  fields_.temperatureHighlight = temperature;
  fields_.changed();
}

}  // namespace ql::calibration
