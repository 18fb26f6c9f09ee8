#pragma once
// A whole calibration bench on the virtual clock: velmo's core with its workbench, the simulated
// logger on the instrument port, and the simulated pressure reference on the workbench's second
// port with its output piped to the logger's pressure sensor. The operator's steps are methods;
// what they lead to is left to the caller to check. Shared by the end-to-end calibration test and
// its benchmark.

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "calibration/calibration_desk.h"
#include "calibration/point_table.h"
#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "shell/velmo_program.h"
#include "sim/logger_model.h"
#include "sim/pressure_reference.h"
#include "sim/simulated_link.h"
#include "support/temp_dir.h"

namespace ql::test {

class CalibrationRig {
 public:
  static constexpr std::time_t kStartTime = 1796900000;
  static constexpr const char* kLoggerPort = "/dev/ttyQL";
  static constexpr const char* kReferencePort = "/dev/ttyREF";
  // The pressure tab and its coefficient set at 25 degrees, the one the logger converts with.
  static constexpr int kPressureTab = 0;
  static constexpr int kChoiceOf25Degrees = 3;

  // resourceDir: velmo's delivered resources; name: what the home directory is called after.
  CalibrationRig(const std::string& resourceDir, const std::string& name)
      : logger(noFiles(), sim::loopClock(loop, kStartTime)),
        reference([this] { return loop.nowMs(); }),
        scratch_("velmo-rig-" + name),
        home_(scratch_.path()) {
    logger.setPressureSource([this] { return reference.outputPressureKpa(); });
    referencePort.setDevice([this](const Bytes& bytes, std::uint32_t) { reference.receive(bytes); });

    ProgramEnvironment env{VelmoHome(home_.string(), {resourceDir}),
                           [] {
                             return std::vector<std::string>{kLoggerPort, kReferencePort};
                           },
                           [this] { return kStartTime + loop.nowMs() / 1000; }};
    env.referencePort = &referencePort;
    program = std::make_unique<VelmoProgram>(loop, op, port, std::move(env));
    program->create();
  }
  ~CalibrationRig() { program.reset(); }
  CalibrationRig(const CalibrationRig&) = delete;
  CalibrationRig& operator=(const CalibrationRig&) = delete;

  calibration::CalibrationDesk& desk() { return program->calibration(); }
  calibration::Workbench& bench() { return program->calibration().workbench(); }
  const std::filesystem::path& home() const { return home_; }

  // velmo starts, finds the logger and reads its information. False when that takes over 30 s.
  bool connect() {
    if (!program->initialise()) return false;
    return loop.advanceUntil(
        [this] { return program->linkState().connected() && program->infoPoll().finished(); }, 30000);
  }

  // The workbench opens on the pressure tab; the calibration-mode writes go out.
  void openWorkbench() {
    desk().show();
    desk().selectTab(kPressureTab);
    loop.advance(500);
  }

  // "选择校准文件" with an INI file of the points in Pa.
  void loadPoints(const std::vector<int>& pointsPa) {
    const std::filesystem::path path = home_ / "points.ini";
    std::ofstream ini(path, std::ios::binary);
    ini << "[CONFIG]\r\n校准点数=" << pointsPa.size() << "\r\n";
    for (std::size_t i = 0; i < pointsPa.size(); ++i) ini << "校准" << i + 1 << "=" << pointsPa[i] << "\r\n";
    ini.close();
    op.answerOpenFile(path.string());
    desk().chooseCalibrationFile();
  }

  // The reference port chosen, the cell (column, row 1) double-clicked and "自动" checked.
  void startAutomaticStepping(int column) {
    bench().selectPressureCell(column, 1);
    bench().startAcquisition();
    desk().reference().choosePort(kReferencePort);
    desk().reference().setAutomatic(true);
  }

  // Runs the clock until the pressure cell reaches column, at most limitMs. False on timeout.
  bool runUntilColumn(int column, std::int64_t limitMs) {
    return loop.advanceUntil([&] { return bench().pressureCell().column == column; }, limitMs);
  }

  // "计算拟合" at the order.
  void fit(int order) {
    desk().setOrder(order);
    desk().fit();
  }

  // "写入" on the pressure tab with the "25" choice; false when the write did not end in 60 s.
  bool writePressureCoefficients() {
    desk().panel().setPressureTemperatureIndex(kChoiceOf25Degrees);
    desk().writeCoefficients();
    return loop.advanceUntil([&] { return !desk().coefficients().writing().running(); }, 60000);
  }

  // "获取" on the pressure tab with the "25" choice; false when the read did not end in 60 s.
  bool readPressureCoefficients() {
    desk().panel().setPressureTemperatureIndex(kChoiceOf25Degrees);
    desk().readCoefficients();
    return loop.advanceUntil([&] { return !desk().coefficients().reading().running(); }, 60000);
  }

  VirtualScheduler loop;
  MemoryPort port{loop};
  MemoryPort referencePort{loop};
  ScriptedOperator op;
  sim::LoggerModel logger;
  sim::SimulatedLink link{loop, port, logger};
  sim::PressureReference reference;
  std::unique_ptr<VelmoProgram> program;

 private:
  static sim::LoggerConfig noFiles() {
    sim::LoggerConfig config;
    config.fileCount = 0;
    return config;
  }

  TempDir scratch_;
  std::filesystem::path home_;
};

}  // namespace ql::test
