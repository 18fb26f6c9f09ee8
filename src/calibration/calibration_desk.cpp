#include "calibration/calibration_desk.h"

#include <algorithm>

#include "calibration/calibration_report.h"
#include "calibration/point_file.h"
#include "calibration/record_file.h"
#include "calibration/table_fits.h"
#include "calibration/table_kind.h"
#include "runtime/formats.h"

namespace ql::calibration {

namespace {

constexpr const char* kPointFileTitle = "选择校准文件";
constexpr const char* kRecordFileTitle = "读取上次保存";

}  // namespace

CalibrationDesk::CalibrationDesk(Context context)
    : context_(std::move(context)), backup_([this](const std::string& text) { setStatus(text); }) {
  Workbench::Context bench{context_.state, context_.loop};
  bench.send = context_.send;
  bench.sendRecorded = context_.sendRecorded;
  bench.modelText = context_.modelText;
  bench.firmwareText = context_.firmwareText;
  bench.clock = context_.clock;
  bench.takeOtherReply = [this](const Bytes& block) { return coefficients_->takeReply(block); };
  bench.onShown = [this] { onShown(); };
  bench.onClosing = [this] { onClosing(); };
  bench.onTabChanged = [this](WorkbenchTab) { panel_.clearForTab(); };
  workbench_ = std::make_unique<Workbench>(std::move(bench));
  workbench_->fields().adInput = kDefaultAdInput;

  CoefficientLink link;
  link.send = context_.send;
  link.sendRecorded = context_.sendRecorded;
  link.lastRequest = [this] { return context_.state.LastRequest; };
  link.firmwareText = [this] { return workbench_->firmwareText(); };
  link.secondFamily = [this] { return workbench_->secondFamily(); };
  link.setStatus = [this](const std::string& text) { setStatus(text); };
  coefficients_ = std::make_unique<CoefficientSequences>(context_.loop, panel_, backup_, std::move(link));

  ReferenceContext reference;
  reference.pressureColumn = [this] { return workbench_->pressureCell().column; };
  reference.pressureRow = [this] { return workbench_->pressureCell().row; };
  reference.pressureTabActive = [this] { return workbench_->isPressureTab(); };
  reference.sampleCount = [this] { return workbench_->sampleCount(); };
  reference.windowSize = [this] { return workbench_->window(); };
  reference.autoTicks = [this] { return workbench_->autoTicks(); };
  reference.setAutoTicks = [this](int ticks) { workbench_->setAutoTicks(ticks); };
  reference.pointText = [this](int row) { return workbench_->pointText(row); };
  reference.confirm = [this] { workbench_->confirm(); };
  reference_ = std::make_unique<ReferenceSource>(context_.loop, context_.referencePort, context_.listPorts,
                                                 std::move(reference));
}

CalibrationDesk::~CalibrationDesk() = default;

void CalibrationDesk::onShown() {
  panel_.setFamily(workbench_->secondFamily());
  reference_->dialogShown();
}

void CalibrationDesk::onClosing() {
  coefficients_->stop();
  reference_->dialogClosed();
}

void CalibrationDesk::setStatus(const std::string& text) {
  workbench_->fields().status = text;
  workbench_->fields().changed();
}

void CalibrationDesk::selectTab(int tab) {
  if (tab < workbench_tab::kPressure || tab > workbench_tab::kBackup) return;
  workbench_->selectTab(static_cast<WorkbenchTab>(tab));
}

// --- files of points --------------------------------------------------------------------------

void CalibrationDesk::chooseCalibrationFile() {
  const int current = tab();
  if (current != workbench_tab::kPressure && current != workbench_tab::kTemperature) return;
  const std::string path =
      context_.op.chooseOpenFile(kPointFileTitle, context_.directory, {{"INI", "*.INI"}, {"INI", "*.ini"}});
  if (path.empty()) return;
  const bool pressure = current == workbench_tab::kPressure;
  PointTable& table = pressure ? workbench_->pressureTable() : workbench_->temperatureTable();
  if (loadPointFile(path, pressure ? TableKind::Pressure : TableKind::Temperature, table)) table.changed();
}

void CalibrationDesk::loadLastRecord() {
  const int current = tab();
  if (current != workbench_tab::kPressure && current != workbench_tab::kTemperature) return;
  const std::string path =
      context_.op.chooseOpenFile(kRecordFileTitle, context_.directory, {{"CSV", "*.CSV"}});
  if (path.empty()) return;
  const TableKind kind = current == workbench_tab::kPressure ? TableKind::Pressure : TableKind::Temperature;
  if (loadRecordFile(path, kind, workbench_->pressureTable(), workbench_->temperatureTable())) {
    workbench_->pressureTable().changed();
    workbench_->temperatureTable().changed();
  }
}

// --- fits ---------------------------------------------------------------------------------------

void CalibrationDesk::setOrder(int order) {
  figures_.order = std::clamp(order, 1, 5);
  figures_.changed();
}

void CalibrationDesk::fit() {
  const int current = tab();
  if (current != workbench_tab::kPressure && current != workbench_tab::kTemperature) return;
  workbench_->clearCells();
  const bool pressure = current == workbench_tab::kPressure;
  const TableFit result = pressure ? fitPressureTable(workbench_->pressureTable(), figures_.order)
                                   : fitTemperatureTable(workbench_->temperatureTable(), figures_.order);
  // A failed fit leaves no coefficients behind that a write could send.
  for (int k = 0; k < CoefficientPanel::kCoefficientCount; ++k)
    panel_.setCoefficient(k, result.coefficientTexts[static_cast<std::size_t>(k)]);
  FitErrorTexts& errors = pressure ? figures_.pressure : figures_.temperature;
  errors = {result.largestErrorText, result.sumOfSquaresText, result.sumOfAbsoluteText};
  setStatus(result.status);
  figures_.changed();
}

void CalibrationDesk::fitProbeTemperature() {
  if (tab() != workbench_tab::kTemperature) return;
  workbench_->clearCells();
  const TableFit result = calibration::fitProbeTemperature(workbench_->temperatureTable(), figures_.order);
  for (int k = 0; k < CoefficientPanel::kCoefficientCount; ++k)
    panel_.setProbeFit(k, result.coefficientTexts[static_cast<std::size_t>(k)]);
  setStatus(result.status);
}

void CalibrationDesk::fitPressureInfluence() {
  if (tab() != workbench_tab::kGeneral) return;
  const std::optional<TableFit> result = calibration::fitPressureInfluence(workbench_->pressureTable());
  if (!result) return;
  const GeneralParameter targets[] = {GeneralParameter::Polynomial0, GeneralParameter::Polynomial1,
                                      GeneralParameter::Polynomial2, GeneralParameter::Polynomial3};
  for (std::size_t k = 0; k < 4; ++k) panel_.setParameter(targets[k], result->coefficientTexts[k]);
  setStatus(result->status);
}

void CalibrationDesk::calculateAd() {
  figures_.adResult = evaluateCalculator(panel_.coefficients(), workbench_->fields().adInput);
  figures_.changed();
}

void CalibrationDesk::calculateProbeAd() {
  figures_.adResult = evaluateProbeCalculator(panel_.probeFit(), workbench_->fields().adInput);
  figures_.changed();
}

// --- coefficients and backup ----------------------------------------------------------------------

void CalibrationDesk::readCoefficients() {
  if (tab() == workbench_tab::kBackup) return;
  coefficients_->read(tab());
}

void CalibrationDesk::writeCoefficients() {
  if (tab() == workbench_tab::kBackup) return;
  coefficients_->write(tab());
}

void CalibrationDesk::writeProbeCoefficients() {
  if (tab() == workbench_tab::kTemperature) coefficients_->writeProbe();
}

void CalibrationDesk::readParameterBlock() { coefficients_->readAll(); }

void CalibrationDesk::loadBackup() { backup_.loadFromFile(context_.op, context_.directory); }

void CalibrationDesk::saveBackup() {
  backup_.saveToFile(context_.op, context_.serialText(), context_.directory);
}

void CalibrationDesk::restoreBackup() { coefficients_->restore(); }

// --- record and report ------------------------------------------------------------------------------

CalibrationRecord CalibrationDesk::record() const {
  return CalibrationRecord{.serialNumber = context_.serialText(),
                           .model = context_.modelText(),
                           .ambientTemperature = context_.ambientTemperatureText(),
                           .fullScale = workbench_->fields().FullScale,
                           .pressure = workbench_->pressureTable(),
                           .temperature = workbench_->temperatureTable(),
                           .order = figures_.order,
                           .pressureErrors = figures_.pressure,
                           .temperatureErrors = figures_.temperature,
                           .largestErrorCaption = workbench_->fields().largestError,
                           .pressureRatios = context_.pressureRatios(),
                           .temperatureRatios = context_.temperatureRatios()};
}

void CalibrationDesk::save() {
  const std::time_t now = context_.clock ? context_.clock() : std::time(nullptr);
  const CalibrationSave saved =
      saveRecordAndReport(context_.op, context_.directory, record(), localDateTime(now));
  if (!saved.error.empty()) context_.op.showMessage("保存", saved.error);
}

// --- curves ---------------------------------------------------------------------------------------------

CurveSource CalibrationDesk::curveSource() const {
  return CurveSource{.pressure = workbench_->pressureTable(),
                     .temperature = workbench_->temperatureTable(),
                     .mainCoefficients = panel_.coefficients(),
                     .probeCoefficients = panel_.probeFit(),
                     .influenceCoefficients = {panel_.parameter(GeneralParameter::Polynomial0),
                                               panel_.parameter(GeneralParameter::Polynomial1),
                                               panel_.parameter(GeneralParameter::Polynomial2),
                                               panel_.parameter(GeneralParameter::Polynomial3)}};
}

bool CalibrationDesk::canShowCurve(CurveMode mode) const {
  return calibration::canShowCurve(mode, tab(), curveSource());
}

}  // namespace ql::calibration
