#include "task/task_page.h"

#include <limits>
#include <utility>

#include "link/text_filters.h"
#include "task/task_estimate.h"
#include "task/task_numbers.h"
#include "task/task_texts.h"
#include "task/task_time.h"

namespace ql::task {

namespace {

constexpr double kDefaultDensity = 1.025;
constexpr double kDefaultGravity = 9.8;

// A missing callback reads as empty, zero or off.
TaskContext withDefaults(TaskContext c) {
  if (!c.freeMemoryText) c.freeMemoryText = [] { return std::string(); };
  if (!c.batteryConsumption) c.batteryConsumption = [] { return std::int32_t{0}; };
  if (!c.firmwareVersion) c.firmwareVersion = [] { return std::string(); };
  if (!c.density) c.density = [] { return kDefaultDensity; };
  if (!c.gravity) c.gravity = [] { return kDefaultGravity; };
  if (!c.livePressureText) c.livePressureText = [] { return std::string(); };
  if (!c.connected) c.connected = [] { return false; };
  if (!c.traceOn) c.traceOn = [] { return false; };
  if (!c.trace) c.trace = [](const std::string&) {};
  if (!c.now) c.now = [] { return localDateTime(std::time(nullptr)); };
  return c;
}

std::string digitsField(const std::string& text) { return KeepDigits(firstCharacters(text, kIntervalChars)); }

}  // namespace

std::string sampleRateText(int index) {
  static const char* const texts[kSampleRateCount] = {"1 Hz", "2 Hz", "5 Hz", "10 Hz"};
  return index >= 0 && index < kSampleRateCount ? texts[index] : "";
}

std::int64_t samplePeriodMs(int index) {
  static const std::int64_t periods[kSampleRateCount] = {1000, 500, 200, 100};
  return index >= 0 && index < kSampleRateCount ? periods[index] : 0;
}

bool firmwareLacksDepthProfile(const std::string& firmware) { return firmware.rfind("1.3.1", 0) == 0; }

bool firmwareAfter131(const std::string& firmware) { return firmware.substr(0, 5) > "1.3.1"; }

TaskPage::TaskPage(TextLookup texts, TaskContext context)
    : texts_(std::move(texts)), context_(withDefaults(std::move(context))) {
  showStartCaptions();
  presetTimes(context_.now());
}

void TaskPage::showStartCaptions() {
  fields_.equivalentPressureCaption =
      texts_("QL310", "ql310_equespres") + " " + fields_.equivalentPressure + " KPa";
  fields_.initialValueCaption = texts_("QL310", "ql310_cpt_initvalue");
  changed();
}

void TaskPage::renewCaptions() {
  fields_.equivalentPressureCaption =
      texts_("QL310", "ql310_equespres") + " " + fields_.equivalentPressure + " KPa";
  switch (fields_.zeroPoint) {
    case ZeroPoint::CurrentPressure:
      fields_.initialValueCaption = texts_("QL310", "ql310_cpt_pres") + ":";
      break;
    case ZeroPoint::SeaLevel:
      fields_.initialValueCaption = texts_("QL310", "ql310_cpt_seapres") + ":";
      break;
    case ZeroPoint::None:
      fields_.initialValueCaption = texts_("QL310", "ql310_cpt_initvalue");
      break;
  }
  reestimate();
  changed();
}

void TaskPage::presetTimes(const DateTime& now) {
  fields_.start = presetStart(now);
  fields_.end = presetEnd(fields_.start);
  changed();
}

void TaskPage::restoreRecordInterval(std::int32_t seconds) {
  editRecordInterval(std::to_string(seconds));
  editAverageRecordInterval(std::to_string(seconds));
}

std::int32_t TaskPage::recordIntervalToSave() const {
  const std::optional<std::int64_t> value = parseInteger(fields_.recordInterval);
  if (!value || *value > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(*value);
}

void TaskPage::clearForRead() {
  fields_.statusText.clear();
  editName("");
  editRecordInterval("");
  editAverageRecordInterval("");
  editAverageCount("");
  editAverageInterval("");
  editDepthInterval("");
  editInitialValue("");
}

void TaskPage::editName(const std::string& text) {
  fields_.name = prefixFittingGbk(text, kTaskNameBytes);
  changed();
}

bool TaskPage::setStart(const DateTime& start) {
  if (!isTaskDate(start)) return false;
  fields_.start = start;
  reestimate();
  changed();
  return true;
}

bool TaskPage::setEnd(const DateTime& end) {
  if (!isTaskDate(end)) return false;
  fields_.end = end;
  reestimate();
  changed();
  return true;
}

void TaskPage::chooseWorkMode(WorkMode mode) {
  if (mode == WorkMode::FixedDepthProfile && firmwareLacksDepthProfile(context_.firmwareVersion())) {
    // The diagram stays as it was.
    fields_.mode = WorkMode::AverageAcquisition;
    fields_.shownBox = WorkMode::AverageAcquisition;
    fields_.statusText = texts_("QL310", "ql310_mode3_error");
    changed();
    return;
  }
  fields_.mode = mode;
  fields_.shownBox = mode;
  if (mode != WorkMode::None) fields_.shownDiagram = mode;
  if (mode == WorkMode::FixedDepthProfile) {
    fields_.memoryCaption.clear();
    fields_.memoryFullCaption.clear();
  }
  changed();
}

void TaskPage::chooseSampleRate(int index) {
  showSampleRate(index);
  if (fields_.sampleRateIndex >= 0) estimate(samplePeriodMs(fields_.sampleRateIndex));
  changed();
}

void TaskPage::showSampleRate(int index) {
  fields_.sampleRateIndex = index >= 0 && index < kSampleRateCount ? index : -1;
  changed();
}

void TaskPage::editRecordInterval(const std::string& text) {
  fields_.recordInterval = digitsField(text);
  if (const auto seconds = parseInteger(fields_.recordInterval)) {
    fields_.recordIntervalDuration = secondsDurationText(*seconds, texts_);
    estimate(*seconds * 1000);
  }
  changed();
}

void TaskPage::editAverageRecordInterval(const std::string& text) {
  fields_.averageRecordInterval = digitsField(text);
  if (const auto seconds = parseInteger(fields_.averageRecordInterval)) {
    fields_.averageRecordIntervalDuration = secondsDurationText(*seconds, texts_);
    estimate(*seconds * 1000);
  }
  changed();
}

void TaskPage::editAverageCount(const std::string& text) {
  fields_.averageCount = text;
  if (const auto seconds = parseInteger(fields_.averageRecordInterval)) estimate(*seconds * 1000);
  changed();
}

void TaskPage::editAverageInterval(const std::string& text) {
  fields_.averageInterval = digitsField(text);
  if (const auto tenths = parseInteger(fields_.averageInterval)) {
    fields_.averageIntervalDuration = tenthsDurationText(*tenths, texts_);
  }
  changed();
}

void TaskPage::editInitialValue(const std::string& text) {
  fields_.initialValue = KeepNumberChars(firstCharacters(text, kInitialValueChars));
  changed();
}

void TaskPage::editDepthInterval(const std::string& text) {
  fields_.depthInterval = KeepNumberChars(firstCharacters(text, kDepthIntervalChars));
  refreshEquivalentPressure();
  changed();
}

void TaskPage::refreshEquivalentPressure() {
  const double depth = parseReal(fields_.depthInterval).value_or(0.0);
  fields_.equivalentPressure = equivalentPressureText(depth, context_.density(), context_.gravity());
  fields_.equivalentPressureCaption =
      texts_("QL310", "ql310_equespres") + " " + fields_.equivalentPressure + " KPa";
}

void TaskPage::chooseZeroPoint(ZeroPoint choice) {
  fields_.zeroPoint = choice;
  if (choice == ZeroPoint::CurrentPressure) {
    editInitialValue(context_.livePressureText());
    fields_.initialValueCaption = texts_("QL310", "ql310_cpt_pres") + ":";
  } else if (choice == ZeroPoint::SeaLevel) {
    fields_.initialValueCaption = texts_("QL310", "ql310_cpt_seapres") + ":";
  }
  changed();
}

void TaskPage::setSendRecords(bool on) {
  fields_.sendRecords = on;
  changed();
}

void TaskPage::setClockSync(bool on) {
  fields_.clockSync = on;
  changed();
}

void TaskPage::showStatus(const std::string& text) {
  fields_.statusText = text;
  changed();
}

void TaskPage::rememberWrite(const TaskWriteMemory& written) { memory_ = written; }

void TaskPage::rememberDepthSettings(float initialValue, float depthPressure) {
  memory_.initialValue = initialValue;
  memory_.depthPressure = depthPressure;
}

void TaskPage::estimate(std::int64_t periodMs) {
  lastPeriodMs_ = periodMs;
  EstimateInput input;
  input.periodMs = periodMs;
  input.freeMemoryText = context_.freeMemoryText();
  input.start = fields_.start;
  input.end = fields_.end;
  if (fields_.mode == WorkMode::AverageAcquisition) {
    input.samplesPerRecord = parseInteger(fields_.averageCount).value_or(1);
  }
  input.batteryConsumption = context_.batteryConsumption();
  const std::optional<Estimate> result = estimateTask(input);
  if (!result) return;
  if (context_.traceOn()) context_.trace("任务要采集次数： " + std::to_string(result->taskSamples));
  fields_.memoryCaption = memoryCaption(*result, texts_);
  fields_.batteryCaption = batteryCaption(*result, texts_);
  fields_.memoryFullCaption = memoryFullCaption(*result, texts_);
  fields_.batterySpentCaption = batterySpentCaption(*result, texts_);
}

// The moments depend on the task's start and end: a changed picker recomputes them at the
// period last estimated.
void TaskPage::reestimate() {
  if (lastPeriodMs_) estimate(*lastPeriodMs_);
}

}  // namespace ql::task
