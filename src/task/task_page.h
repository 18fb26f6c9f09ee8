#pragma once
// Page 3's logging task as the operator edits it: the fields with their input rules, the box and
// diagram of the chosen work mode, and every caption derived from them (durations, equivalent
// pressure, memory and battery estimates, status).
//
// The view shows fields() and re-reads it on every notification. User input goes through the
// edit operations, which filter the text and write the filtered text back into the field: after
// an edit the view replaces its text by the field's and puts the caret at the end. Replies read
// from the logger (task_read.h) and the write checks (task_validation.h) use the same operations.

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/formats.h"
#include "runtime/observable.h"
#include "runtime/texts.h"
#include "task/task_context.h"

namespace ql::task {

// The work modes, in the order of the mode list (item_items1..item_items4).
enum class WorkMode : int {
  None = -1,
  FastAcquisition = 0,     // sample rate
  FixedInterval = 1,       // record interval
  AverageAcquisition = 2,  // record interval, average count and interval
  FixedDepthProfile = 3,   // initial value, zero point, fixed depth interval
};

// The sample rates of fast acquisition: "1 Hz", "2 Hz", "5 Hz", "10 Hz".
inline constexpr int kSampleRateCount = 4;
std::string sampleRateText(int index);
// The sample period in ms of a rate index; 0 for none.
std::int64_t samplePeriodMs(int index);

// Where the initial value of the fixed-depth profile counts from.
enum class ZeroPoint { None, CurrentPressure, SeaLevel };

// Firmware "1.3.1..." knows no fixed-depth profile.
bool firmwareLacksDepthProfile(const std::string& firmware);
// Firmware whose first five characters sort after "1.3.1" (as text).
bool firmwareAfter131(const std::string& firmware);

// Input limits of the fields, in characters (the task name in GBK bytes, as the logger stores it).
inline constexpr std::size_t kTaskNameBytes = 16;
inline constexpr std::size_t kIntervalChars = 9;
inline constexpr std::size_t kInitialValueChars = 7;
inline constexpr std::size_t kDepthIntervalChars = 8;

// The longest a fixed-depth profile may run, in seconds.
inline constexpr std::int64_t kDepthProfileMaxSeconds = 7200;

struct TaskFields {
  std::string name;  // UTF-8; its GBK form fits kTaskNameBytes
  DateTime start;
  DateTime end;
  WorkMode mode = WorkMode::None;
  int sampleRateIndex = -1;                  // -1: none
  std::string recordInterval = "60";         // fixed interval mode, whole seconds
  std::string averageRecordInterval = "60";  // average mode, whole seconds
  std::string averageCount;
  std::string averageInterval;          // tenths of a second
  std::string initialValue = "100.00";  // kPa
  ZeroPoint zeroPoint = ZeroPoint::None;
  std::string depthInterval = "1";           // metres
  std::string equivalentPressure = "10.05";  // kPa, the depth interval's pressure
  bool sendRecords = false;
  bool clockSync = true;

  // The mode box shown (None: no box) and the mode diagram shown (None: none yet).
  WorkMode shownBox = WorkMode::None;
  WorkMode shownDiagram = WorkMode::None;

  // Derived captions.
  std::string recordIntervalDuration;         // beside recordInterval
  std::string averageRecordIntervalDuration;  // beside averageRecordInterval
  std::string averageIntervalDuration;        // beside averageInterval
  std::string equivalentPressureCaption;      // "<ql310_equespres> 10.045 KPa"
  std::string initialValueCaption;            // the initial value's label
  std::string memoryCaption;                  // how long the memory lasts
  std::string batteryCaption;                 // whether the battery lasts
  std::string memoryFullCaption;              // when the memory will be full
  std::string batterySpentCaption;            // when the battery counter will be spent
  std::string statusText;                     // for the main window's status caption
};

// What the previous write of this run sent, which modes that do not use a value send again.
// The initial value and depth pressure are also taken from the last 0x2088 read. All 0 at start.
struct TaskWriteMemory {
  std::uint32_t recordIntervalMs = 0;
  std::uint16_t averageCount = 0;
  std::uint32_t averageIntervalMs = 0;
  float initialValue = 0;
  float depthPressure = 0;
};

class TaskPage : public Observable {
 public:
  TaskPage(TextLookup texts, TaskContext context);

  const TaskFields& fields() const { return fields_; }
  const TaskWriteMemory& writeMemory() const { return memory_; }
  const TextLookup& texts() const { return texts_; }
  const TaskContext& context() const { return context_; }

  // Start-up, once the language is known: the captions shown before any edit.
  void showStartCaptions();
  // The derived captions again, in the language now in use (after a language change).
  void renewCaptions();
  // Start-up: start at the first whole minute at least a minute after now, end two minutes later.
  void presetTimes(const DateTime& now);
  // Start-up: the record interval kept from the last run into both interval fields.
  void restoreRecordInterval(std::int32_t seconds);
  // Exit: the record interval to keep (the fixed interval field as an integer, 0 if it is none).
  std::int32_t recordIntervalToSave() const;

  // The read button: clears the status, name, intervals, average fields, depth interval and
  // initial value before the task is read from the logger.
  void clearForRead();

  // Edits. Each applies its field's input rule and refreshes what derives from it.
  void editName(const std::string& text);  // cut to kTaskNameBytes GBK bytes
  // Pickers: false (and nothing changes) for an impossible date or a year the logger cannot hold.
  bool setStart(const DateTime& start);
  bool setEnd(const DateTime& end);
  // Shows the mode's box and diagram; a fixed-depth profile on firmware 1.3.1 falls back to
  // average acquisition with ql310_mode3_error.
  void chooseWorkMode(WorkMode mode);
  // Re-applies the chosen mode (start-up, after a configuration read).
  void applyWorkMode() { chooseWorkMode(fields_.mode); }
  void chooseSampleRate(int index);                         // and estimates at its period
  void showSampleRate(int index);                           // read from the logger: no estimate
  void editRecordInterval(const std::string& text);         // first 9, digits; duration, estimate
  void editAverageRecordInterval(const std::string& text);  // first 9, digits; duration, estimate
  void editAverageCount(const std::string& text);           // as typed; estimate
  void editAverageInterval(const std::string& text);        // first 9, digits; duration
  void editInitialValue(const std::string& text);           // first 7, number characters
  void editDepthInterval(const std::string& text);          // first 8, number characters; pressure
  // The current pressure choice copies the live pressure into the initial value.
  void chooseZeroPoint(ZeroPoint choice);
  void setSendRecords(bool on);
  void setClockSync(bool on);

  void showStatus(const std::string& text);

  // The write sequence records what it sent; the configuration read records 0x2088.
  void rememberWrite(const TaskWriteMemory& written);
  void rememberDepthSettings(float initialValue, float depthPressure);

 private:
  void estimate(std::int64_t periodMs);
  void reestimate();
  void refreshEquivalentPressure();
  void changed() { notify(); }

  TextLookup texts_;
  TaskContext context_;
  TaskFields fields_;
  TaskWriteMemory memory_;
  std::optional<std::int64_t> lastPeriodMs_;
};

}  // namespace ql::task
