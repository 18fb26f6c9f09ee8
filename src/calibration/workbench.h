#pragma once
// The calibration workbench without its window: while open it owns the instrument link, polls the
// logger's raw AD codes once a second, averages them in the sample rings, and locks the average
// into the point tables cell by cell as the operator confirms. The dialog renders the tables and
// WorkbenchFields and forwards the operator's actions here; the coefficient sequences and the
// reference source plug in through the Context.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "calibration/point_table.h"
#include "calibration/sample_rings.h"
#include "link/bytes.h"
#include "link/link_state.h"
#include "runtime/observable.h"
#include "runtime/scheduler.h"

namespace ql::calibration {

// A cell of a point table; row 0 means "none".
struct Cell {
  int column = 0;
  int row = 0;
  friend bool operator==(const Cell&, const Cell&) = default;
};

// The cell the view paints red, and the text the red cell shows instead of its own.
struct RedCell {
  bool shown = false;
  Cell cell;
  std::string text;
  friend bool operator==(const RedCell&, const RedCell&) = default;
};

// The tabs of the workbench.
enum class WorkbenchTab { Pressure = 0, Temperature = 1, GeneralParameters = 2, Backup = 3 };

// Keys released in a point table.
enum class TableKey { Space, Backspace, Enter };

inline constexpr const char* kLargestErrorCaption = "最大误差：";

// What the dialog shows besides the tables.
class WorkbenchFields : public Observable {
 public:
  // Live acquisition: the instant and averaged codes of the two channels shown.
  std::string instant1;
  std::string average1;
  std::string instant2;
  std::string average2;
  // The sample count with AutoTicks in parentheses, "0" after a restart.
  std::string sampleCountText = "0";
  // The logger's own readings: temperature 1 (degrees C), pressure (kPa), temperature 2.
  std::string temperature1Reading;
  std::string pressureReading;
  std::string temperature2Reading;
  // "最大误差：" and the largest verification error with "%".
  std::string largestError = kLargestErrorCaption;
  // Pressure column, pressure row, temperature column, temperature row joined by "_".
  std::string positions;
  // Status of the coefficient sequences.
  std::string status;
  // The AD field of the calculator (Space in a table copies the focused cell here).
  std::string adInput;
  // Shown for 100 ms on every accepted acquisition reply.
  bool acquisitionFlash = false;

  WorkbenchTab tab = WorkbenchTab::Pressure;
  Cell PressureCell;
  Cell TemperatureCell;
  Cell LastPressureCell;
  Cell LastTemperatureCell;
  // The highlighted cell of each table as the highlight refresh last left it.
  RedCell pressureHighlight;
  RedCell temperatureHighlight;

  int AutoTicks = 0;
  double FullScale = 0.0;
  int window = SampleRings::kDefaultWindow;

  void changed() const { notify(); }
};

class Workbench {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;

  static constexpr int kFormShowDelayMs = 20;   // Timerformshow
  static constexpr int kFormCloseDelayMs = 20;  // TimerFormClose
  static constexpr int kModeRepeatMs = 150;     // the calibration-mode write goes out twice
  static constexpr int kPollMs = 1000;          // TimerGetAll
  static constexpr int kReceiveMs = 18;         // TimerReceive
  static constexpr int kHighlightMs = 500;      // TimerFlushGrid
  static constexpr int kFlashMs = 100;          // TimerDisImage
  static constexpr std::uint16_t kEnterCalibrationMode = 0x005C;
  static constexpr std::uint16_t kLeaveCalibrationMode = 0x0000;
  // The acquisition reply from its head on: 01 03 24, 36 data bytes, CRC.
  static constexpr std::size_t kAcquisitionReplySize = 41;

  struct Context {
    LinkState& state;
    Scheduler& loop;
    // AppendCrc and write to the logger's port.
    Sender send{};
    // AppendCrc, LinkState::LastRequest := the frame with its CRC, write.
    Sender sendRecorded{};
    // The main window's model and firmware texts.
    std::function<std::string()> modelText{};
    std::function<std::string()> firmwareText{};
    // Wall clock for the time column; time(nullptr) when empty.
    std::function<std::time_t()> clock{};
    // Offered every received block that is not an acquisition reply, before the short-reply
    // tests; returns whether it took the block. The block is CalibrationBuffer without its
    // leading blank, so offsets count from the slave address of the echo.
    std::function<bool(const Bytes& block)> takeOtherReply{};
    // The workbench opened (after CalibrationActive was set).
    std::function<void()> onShown{};
    // The workbench closes: the coefficient sequences and the reference source stop.
    std::function<void()> onClosing{};
    // The tab changed: the coefficient edits and instrument-coefficient fields are cleared.
    std::function<void(WorkbenchTab tab)> onTabChanged{};
  };

  explicit Workbench(Context context);
  ~Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  // Opening and closing: CalibrationActive, the calibration-mode writes, the poll.
  void show();
  void close();
  bool open() const { return context_.state.CalibrationActive; }

  // The receive hand-off: every block while open. Examined by TimerReceive 18 ms later.
  void receive(const Bytes& block);
  // One blank followed by the last received block (rebuilt when its echo came late).
  const Bytes& CalibrationBuffer() const { return calibrationBuffer_; }

  PointTable& pressureTable() { return pressureTable_; }
  const PointTable& pressureTable() const { return pressureTable_; }
  PointTable& temperatureTable() { return temperatureTable_; }
  const PointTable& temperatureTable() const { return temperatureTable_; }
  WorkbenchFields& fields() { return fields_; }
  const WorkbenchFields& fields() const { return fields_; }
  const SampleRings& rings() const { return rings_; }

  // "开始获取": enables the poll while open when the current cell is one that is measured.
  // Returns whether the poll runs.
  bool startAcquisition();
  // "确定" (and the automatic stepping): locks the current cell and moves on.
  void confirm();
  // Double-clicks in the tables.
  void selectPressureCell(int column, int row);
  void selectTemperatureCell(int column, int row);
  // A key released in the table of the current tab, with the focused cell.
  void keyReleased(TableKey key, Cell focused);
  // "重新开始平均": empties the rings.
  void restartAveraging();
  // The averaging window (10..60); empties the rings.
  void setWindow(int window);
  // "计算平均值": column 6 of every pressure row from columns 2..5.
  void computeAverages();
  void selectTab(WorkbenchTab tab);
  // TimerFlushGrid: which cell is red and what it shows.
  void refreshHighlight();
  // The fit resets both cells to (0, 0), which stops the poll.
  void clearCells();

  // For the reference source and the coefficient panel.
  Cell pressureCell() const { return fields_.PressureCell; }
  Cell temperatureCell() const { return fields_.TemperatureCell; }
  bool isPressureTab() const { return fields_.tab == WorkbenchTab::Pressure; }
  int sampleCount() const { return rings_.SampleCount(); }
  int window() const { return rings_.window(); }
  int autoTicks() const { return fields_.AutoTicks; }
  void setAutoTicks(int ticks);
  // Column 1 (the reference point) of a pressure row.
  std::string pointText(int row) const;
  // The second model family: the model text contains "25".
  bool secondFamily() const;
  std::string firmwareText() const;

 private:
  void sendModeTwice(std::uint16_t value);
  void pollTick();
  bool pollsPressure() const;
  bool pollsTemperature() const;
  void receiveTick();
  void acceptAcquisition(const Bytes& block);
  void acceptShortReply(const Bytes& block);
  void confirmPressure();
  void confirmTemperature();
  void updateFullScale();
  void updatePressureError(int row);
  void updateLargestError();
  void updateCycleAverage(int row);
  void showSampleCount();
  void flash();
  std::string positionsText() const;
  std::time_t now() const;

  Context context_;
  PointTable pressureTable_ = makePressureTable();
  PointTable temperatureTable_ = makeTemperatureTable();
  WorkbenchFields fields_;
  SampleRings rings_;
  Bytes calibrationBuffer_;
  std::unique_ptr<Timer> pollTimer_;       // TimerGetAll
  std::unique_ptr<Timer> receiveTimer_;    // TimerReceive
  std::unique_ptr<Timer> highlightTimer_;  // TimerFlushGrid
  std::unique_ptr<Timer> flashTimer_;      // TimerDisImage
  // Expires with this object, so a delayed send never runs on a dead workbench.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The acquisition read: 18 registers from 0x3005.
Bytes acquisitionRequest();

}  // namespace ql::calibration
