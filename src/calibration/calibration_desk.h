#pragma once
// The whole calibration workbench without its window: the acquisition and point tables
// (Workbench), the coefficient panel with its read and write sequences, the parameter backup,
// the reference source on the second port, the fits, the point and record files and the report.
// The dialog renders the models exposed here and forwards every button to one call.

#include <array>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "calibration/calibration_record.h"
#include "calibration/coefficient_panel.h"
#include "calibration/coefficient_sequences.h"
#include "calibration/fit_curve.h"
#include "calibration/parameter_backup.h"
#include "calibration/reference_source.h"
#include "calibration/workbench.h"
#include "link/link_state.h"
#include "link/port.h"
#include "link/port_list.h"
#include "runtime/observable.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"

namespace ql::calibration {

// The fit figures of the coefficient panel and the AD calculator's result.
class FitFigures : public Observable {
 public:
  static constexpr int kDefaultOrder = 5;
  int order = kDefaultOrder;  // "拟合阶数", 1..5
  FitErrorTexts pressure;     // shown on the pressure tab
  FitErrorTexts temperature;  // shown on the temperature tab
  std::string adResult;       // the calculator's result field

  void changed() const { notify(); }
};

// The AD field's value when the workbench is created.
inline constexpr const char* kDefaultAdInput = "4285025";

class CalibrationDesk {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;

  struct Context {
    Scheduler& loop;
    Operator& op;
    LinkState& state;
    // The second port, for the pressure reference, and the machine's ports to choose it from.
    Port& referencePort;
    PortLister listPorts{};
    // To the logger: AppendCrc and write; the recorded one also makes the frame LastRequest.
    Sender send{};
    Sender sendRecorded{};
    // What the main window shows: model, firmware, serial number, live temperature, and the
    // coefficients the information poll read (the record file's a..f).
    std::function<std::string()> modelText{};
    std::function<std::string()> firmwareText{};
    std::function<std::string()> serialText{};
    std::function<std::string()> ambientTemperatureText{};
    std::function<PolynomialCoefficients()> pressureRatios{};
    std::function<PolynomialCoefficients()> temperatureRatios{};
    std::function<std::time_t()> clock{};
    // The program directory: record files go there, file dialogs start there.
    std::string directory{};
  };

  explicit CalibrationDesk(Context context);
  ~CalibrationDesk();
  CalibrationDesk(const CalibrationDesk&) = delete;
  CalibrationDesk& operator=(const CalibrationDesk&) = delete;

  Workbench& workbench() { return *workbench_; }
  const Workbench& workbench() const { return *workbench_; }
  CoefficientPanel& panel() { return panel_; }
  const CoefficientPanel& panel() const { return panel_; }
  CoefficientSequences& coefficients() { return *coefficients_; }
  ParameterBackup& backup() { return backup_; }
  ReferenceSource& reference() { return *reference_; }
  FitFigures& figures() { return figures_; }
  const FitFigures& figures() const { return figures_; }

  void show() { workbench_->show(); }
  void close() { workbench_->close(); }
  bool open() const { return workbench_->open(); }
  void receive(const Bytes& block) { workbench_->receive(block); }
  void selectTab(int tab);
  int tab() const { return static_cast<int>(workbench_->fields().tab); }

  // "选择校准文件" and "读取上次保存": a point file or a record file chosen by the operator
  // fills the table of the tab (nothing on the other tabs, for a cancel or a missing file).
  void chooseCalibrationFile();
  void loadLastRecord();

  // "计算拟合", "传感器温度计算拟合", "压力对温度影响的曲线拟合".
  void setOrder(int order);
  void fit();
  void fitProbeTemperature();
  void fitPressureInfluence();
  // "AD计算", and the double-click on the last probe coefficient.
  void calculateAd();
  void calculateProbeAd();

  // The coefficient buttons of the tab: "获取", "写入", "写温2", and on the backup tab
  // "设备所有参数", "从文件获取", "保存到文件", "写入到仪器".
  void readCoefficients();
  void writeCoefficients();
  void writeProbeCoefficients();
  void readParameterBlock();
  void loadBackup();
  void saveBackup();
  void restoreBackup();

  // "保存": the record file, then the report.
  void save();

  // The fit curve menu items: what the curve of a mode is drawn from, and whether it may open.
  CurveSource curveSource() const;
  bool canShowCurve(CurveMode mode) const;

 private:
  void setStatus(const std::string& text);
  void onShown();
  void onClosing();
  CalibrationRecord record() const;

  Context context_;
  CoefficientPanel panel_;
  ParameterBackup backup_;
  FitFigures figures_;
  std::unique_ptr<Workbench> workbench_;
  std::unique_ptr<CoefficientSequences> coefficients_;
  std::unique_ptr<ReferenceSource> reference_;
};

}  // namespace ql::calibration
