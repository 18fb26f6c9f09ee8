#include "shell/velmo_program.h"

#include <algorithm>

#include "data/new_files.h"
#include "data/task_log.h"
#include "link/crc.h"
#include "link/port_list.h"
#include "link/serial_port.h"
#include "runtime/encoding.h"
#include "runtime/sha256.h"
#include "shell/language_choice.h"
#include "shell/last_link.h"
#include "shell/picture_files.h"
#include "shell/window_geometry.h"

namespace ql {

VelmoProgram::VelmoProgram(Scheduler& loop, Operator& op, Port& port, ProgramEnvironment env)
    : loop_(loop), operator_(op), port_(port), env_(std::move(env)), memo_(env_.clock ? env_.clock : [] {
        return std::time(nullptr);
      }) {
  if (!env_.listPorts) env_.listPorts = serialPortPaths;
  if (!env_.describePort)
    env_.describePort = [](const std::string& path) { return describeSerialPort(path); };
  TextLookup lookup = [this](const std::string& section, const std::string& key) {
    return text(section, key);
  };

  connection_ = std::make_unique<Connection>(loop_, port_, state_, panel_, lookup, env_.listPorts);
  dispatcher_ = std::make_unique<ReceiveDispatcher>(state_, static_cast<ReplyHandlers&>(*this));
  sequencer_ = std::make_unique<PollSequencer>(loop_, state_, [this](const Bytes& frame) { send(frame); });
  infoPoll_ = std::make_unique<InfoPoll>(*sequencer_, state_, info_, lookup, operator_);
  infoPoll_->fileCount = [this] { return fileTable_.count(); };
  // Whichever sequence ends, the end-of-poll actions follow.
  sequencer_->onFinished = [this] { infoPoll_->endOfPollActions(); };
  clockCheck_ = std::make_unique<ClockCheck>(loop_, *sequencer_, state_, info_, memo_, lookup, operator_,
                                             wallClock(), [this](const Bytes& frame) { send(frame); });
  infoPoll_->onPollEnd = [this] { clockCheck_->onPollEnd(); };

  connection_->onConnected = [this] {
    infoPoll_->start(0);
    // A program without a home keeps nothing.
    const auto& last = connection_->lastEndpoint();
    if (last && !env_.home.dir().empty()) saveLastLink(env_.home.path(kLastLinkFile), *last);
  };
  connection_->onManualConnect = [this] {
    clearInformation();
    infoPoll_->resume();
  };
  connection_->onDisconnected = [this] { sequencer_->stop(); };
  connection_->onAutoSearchOn = [this] {
    info_.statusText.clear();
    info_.changed();
    liveValues_->setLiveDisplay(false);
  };

  download_ = std::make_unique<DownloadJob>(loop_, state_, port_, operator_, fileTable_, memo_, lookup,
                                            wallClock(), LocalStore(env_.home.dir()));
  download_->showStatus = [this](const std::string& status) { showStatus(status); };
  download_->identity = [this] { return dataFileIdentity(); };
  download_->onDialogClosed = [this] { baudRateOldTimer_->start(); };
  download_->loggerClock = [this] { return info_.clock; };
  download_->linkBusy = [this] { return rateRestorePending(); };
  download_->exportOptions = [this] {
    ExportOptions options;
    options.depth = DepthParameters{saved_.density, saved_.gravity, saved_.pressureOffset};
    options.temperatureDecimals = saved_.temperatureDecimals;
    options.pressureDecimals = saved_.pressureDecimals;
    return options;
  };
  createDataPage(lookup);
  deletion_ = std::make_unique<FileDeletion>(loop_, state_, operator_, fileTable_, memo_, lookup,
                                             [this](const Bytes& frame) { send(frame); });
  deletion_->showStatus = [this](const std::string& status) { showStatus(status); };
  deletion_->restartPoll = [this](std::int32_t step, std::int32_t wait) {
    sequencer_->delayNextStep(wait);
    infoPoll_->start(step);
  };

  liveValues_ = std::make_unique<LiveValues>(saved_.history, wallClock(), [this] {
    return LiveDisplaySettings{saved_.temperatureDecimals, saved_.pressureDecimals,
                               static_cast<int>(switches_.thirdField()),
                               DepthParameters{saved_.density, saved_.gravity, saved_.pressureOffset}};
  });

  createTaskPage(lookup);
  createSystemSettings(lookup);

  // The calibration window fills console_->openCalibration (setCalibrationOpener).
  console_ = std::make_unique<EngineeringConsole>(EngineeringConsole::Context{
      state_, panel_, memo_, info_, loop_, [this](const Bytes& frame) { send(frame); }, wallClock(),
      [this] {
        return infoPoll_->running() && infoPoll_->step() >= InfoPoll::kSerialNumber &&
               infoPoll_->step() <= InfoPoll::kFileList;
      },
      [this] { liveValues_->setLiveDisplay(false); }});

  createCalibration();

  port_.setOnReceiveData(
      [this](const std::uint8_t* data, std::size_t length) { dispatcher_->onReceiveData(data, length); });
  port_.setOnRequestHangup([this] { download_->onPortHangup(); });
  secondTimer_ = loop_.makeTimer(1000, [this] { onSecondTick(); });
  baudRateOldTimer_ = loop_.makeTimer(kRestoreRateDelayMs, [this] { restoreBaudRateTick(); });
}

VelmoProgram::~VelmoProgram() {
  port_.setOnReceiveData({});
  port_.setOnRequestHangup({});
  port_.close();
}

std::string VelmoProgram::text(const std::string& section, const std::string& key) const {
  return texts_.text(section, key);
}

std::function<std::time_t()> VelmoProgram::wallClock() const {
  if (env_.clock) return env_.clock;
  return [] { return std::time(nullptr); };
}

void VelmoProgram::send(const Bytes& frameWithoutCrc) { port_.writeBuffer(AppendCrc(frameWithoutCrc)); }

void VelmoProgram::createDataPage(const TextLookup& lookup) {
  DataPageController::Environment env;
  env.texts = lookup;
  env.clock = wallClock();
  env.homeDir = env_.home.dir();
  env.temperatureDecimals = [this] { return saved_.temperatureDecimals; };
  env.pressureDecimals = [this] { return saved_.pressureDecimals; };
  env.fileSha256 = fileSha256;
  env.model = kLoggerModelName;
  env.programVersion = kProgramVersion;
  dataPage_ = std::make_unique<DataPageController>(operator_, std::move(env));
  dataPage_->onDepthChanged = [this](const DepthParameters& depth) { setDepthParameters(depth); };
}

void VelmoProgram::createTaskPage(const TextLookup& lookup) {
  task::TaskContext context;
  context.freeMemoryText = [this] { return info_.flashFree; };
  context.batteryConsumption = [this] { return info_.batteryConsumption; };
  context.firmwareVersion = [this] { return info_.firmwareVersion; };
  context.density = [this] { return saved_.density; };
  context.gravity = [this] { return saved_.gravity; };
  context.livePressureText = [this] { return liveValues_->pressureText(); };
  context.connected = [this] { return state_.connected(); };
  context.traceOn = [this] { return state_.TraceSwitch; };
  context.trace = [this](const std::string& line) { memo_.add(line); };
  context.now = [clock = wallClock()] { return localDateTime(clock()); };
  taskPage_ = std::make_unique<task::TaskPage>(lookup, std::move(context));
  // The page's messages also go to the main window's status caption.
  taskPage_->subscribe([this] {
    const std::string& status = taskPage_->fields().statusText;
    if (!status.empty() && status != info_.statusText) showStatus(status);
  });

  taskRead_ = std::make_unique<task::TaskReadSequence>(*sequencer_, *taskPage_);
  auto send = [this](const Bytes& frame) { this->send(frame); };
  taskWrite_ = std::make_unique<task::TaskWriteSequence>(
      loop_, state_, *taskPage_, operator_, lookup,
      [this](const Bytes& frame) { return port_.writeBuffer(AppendCrc(frame)); });
  taskWrite_->onFinished = [this] {
    logWrittenTask();
    connection_->forgetLink();
  };

  runningTask_ = std::make_unique<task::RunningTaskPrompt>(loop_, state_, operator_, lookup, send);
  runningTask_->onStopped = [this] { infoPoll_->start(InfoPoll::kTaskRunState); };
  runningTask_->onRefused = [this] { connection_->forgetLink(); };
  infoPoll_->onTaskRunning = [this] {
    if (env_.askToStopRunningTask) runningTask_->taskFound();
  };
}

void VelmoProgram::createSystemSettings(const TextLookup& lookup) {
  settingsRead_ = std::make_unique<SettingsRead>(*sequencer_);
  SystemSettings::Context context;
  context.texts = lookup;
  context.sendRecorded = [this](const Bytes& frame) {
    state_.LastRequest = AppendCrc(frame);
    port_.writeBuffer(state_.LastRequest);
  };
  context.liveTemperatureText = [this] { return liveValues_->temperatureText(); };
  context.livePressureText = [this] { return liveValues_->pressureText(); };
  context.savePrecisions = [this](int temperatureDecimals, int pressureDecimals) {
    saved_.temperatureDecimals = temperatureDecimals;
    saved_.pressureDecimals = pressureDecimals;
    saveSavedState(env_.home.sysuseDataPath(), saved_);
  };
  context.onBaudRateChanged = [this] { connection_->setAutoSearch(false); };
  context.onBatteryChanged = [this] {
    info_.batteryPercent = "100";
    info_.batteryLevel = BatteryLevel::Full;
    info_.changed();
  };
  systemSettings_ = std::make_unique<SystemSettings>(loop_, *settingsRead_, operator_, std::move(context));
}

void VelmoProgram::createCalibration() {
  Port* referencePort = env_.referencePort;
  if (!referencePort) {
    ownReferencePort_ = std::make_unique<SerialPort>(loop_);
    referencePort = ownReferencePort_.get();
  }
  calibration::CalibrationDesk::Context context{loop_, operator_, state_, *referencePort, env_.listPorts};
  context.send = [this](const Bytes& frame) { send(frame); };
  context.sendRecorded = [this](const Bytes& frame) {
    state_.LastRequest = AppendCrc(frame);
    port_.writeBuffer(state_.LastRequest);
  };
  context.modelText = [this] { return info_.model; };
  context.firmwareText = [this] { return info_.firmwareVersion; };
  context.serialText = [this] { return info_.serialNumber; };
  context.ambientTemperatureText = [this] { return liveValues_->temperatureText(); };
  context.pressureRatios = [this] { return info_.PressureRatios; };
  context.temperatureRatios = [this] { return info_.TemperatureRatios; };
  context.clock = wallClock();
  context.directory = env_.home.dir();
  calibration_ = std::make_unique<calibration::CalibrationDesk>(std::move(context));
}

void VelmoProgram::showSystemSettings() {
  systemSettings_->show(saved_.temperatureDecimals, saved_.pressureDecimals);
}

// --- start and exit ----------------------------------------------------------------------------

void VelmoProgram::create() {
  env_.home.createDataDirectories();
  const SavedStateLoad load = loadSavedState(env_.home.sysuseDataPath());
  saved_ = load.state;
  const bool languageStored =
      load.fileFound && std::find(load.defaultedFields.begin(), load.defaultedFields.end(), "languageName") ==
                            load.defaultedFields.end();
  switches_ = StartupSwitches::loadOrCreate(env_.home.sysuseIniPath());
  connection_->setPreferredEndpoint(env_.preferredEndpoint ? env_.preferredEndpoint
                                                           : loadLastLink(env_.home.path(kLastLinkFile)));

  if (!languageStored && env_.messagesLocale) {
    loadLanguage(languageForLocale(*env_.messagesLocale, languages()));
  } else {
    loadLanguage(saved_.languageName);
  }
  createUpdate();

  if (!switches_.keepStoredPrecision()) {
    saved_.temperatureDecimals = 2;
    saved_.pressureDecimals = 2;
  }
  state_.ProbeCounter = probe::kIdle;
  state_.LinkEcho = switches_.linkEcho;
  panel_.statusRed = state_.LinkEcho == 1;
  panel_.autoSearch = switches_.automaticSearch();
  panel_.changed();
  liveValues_->setLiveDisplay(switches_.liveDisplayAtStart());
  // The page was made before the language was loaded.
  taskPage_->showStartCaptions();
  taskPage_->presetTimes(localDateTime(wallClock()()));
  taskPage_->restoreRecordInterval(saved_.recordIntervalSeconds);
  dataPage_->setDepthParameters(DepthParameters{saved_.density, saved_.gravity, saved_.pressureOffset});
  dataPage_->restoreChoices();
  info_.changed();
}

bool VelmoProgram::initialise() {
  std::vector<std::string> missing = PictureCheck::missingFiles(env_.home.resourceDirs());
  if (!missing.empty()) {
    operator_.showMessage(text("SYSTEMINFORMATION", "systemerrorinfo"),
                          text("SYSTEMINFORMATION", "systemfileerror"));
    return false;
  }
  connection_->startSearchLoop();
  if (panel_.autoSearch) {
    panel_.listsEnabled = false;
  } else {
    fillPortBoxFromSystem();
  }
  taskPage_->applyWorkMode();
  panel_.changed();
  secondTimer_->start();
  return true;
}

void VelmoProgram::startHeadless() {
  // A command has no reason to wait for the first one-second tick: the port list is read at
  // once, so the first pass already tries where the logger answered last.
  if (panel_.autoSearch) connection_->refreshPortList();
  connection_->startSearchLoop();
  secondTimer_->start();
}

void VelmoProgram::fillPortBoxFromSystem() { panel_.ports = env_.listPorts(); }

void VelmoProgram::close(const WindowGeometry& window, const std::string& languageBoxText) {
  connection_->sendExitFrame();
  saved_.window = window;
  saved_.recordIntervalSeconds = taskPage_->recordIntervalToSave();
  saved_.languageName = languageNameAtExit(languageName_, languageBoxText);
  saveSavedState(env_.home.sysuseDataPath(), saved_);
}

std::optional<WindowGeometry> VelmoProgram::restoredGeometry(int screenWidth, int screenHeight) const {
  if (!saved_.window) return std::nullopt;
  return restorableGeometry(*saved_.window, screenWidth, screenHeight);
}

std::vector<std::string> VelmoProgram::languages() const { return listLanguages(env_.home.resourceDirs()); }

std::string VelmoProgram::language() const { return languageName_; }

void VelmoProgram::loadLanguage(const std::string& name) {
  LanguageChoice choice = chooseLanguageFile(name, env_.home.resourceDirs());
  languageName_ = choice.name;
  texts_ = choice.path.empty() ? LanguageTexts() : LanguageTexts::fromFile(choice.path);
}

void VelmoProgram::setLanguage(const std::string& name) {
  if (name == languageName_) return;
  loadLanguage(name);
  // The link caption is a state, not an event: it is shown again in the new language.
  if (!panel_.linkStatus.empty()) {
    panel_.linkStatus = text("COMLINK", panel_.linkShownAsOk ? "com_link_ok" : "com_link_not");
    panel_.changed();
  }
  taskPage_->renewCaptions();
  languageChange_.changed();
}

// --- operator actions ----------------------------------------------------------------------------

void VelmoProgram::showPage(Page page) {
  navigation_.page = page;
  navigation_.changed();
  // Back on the download page an unfinished poll goes on where it stopped.
  if (page == Page::Download && state_.connected()) infoPoll_->resume();
  // The first visit to the task page shows the task the logger holds (a logger that is linked: a
  // read of none would be sent again for ever).
  if (page == Page::Configuration && state_.connected() && taskPage_->fields().mode == task::WorkMode::None &&
      info_.model.find(std::string(kLoggerModelName).substr(2)) != std::string::npos) {
    startConfigurationRead();
  }
}

void VelmoProgram::readConfiguration() {
  if (panel_.linkShownAsOk) startConfigurationRead();
}

void VelmoProgram::startConfigurationRead() {
  showStatus("");
  taskRead_->start();
}

void VelmoProgram::selectPort(int index) {
  panel_.portIndex = index;
  panel_.changed();
}

void VelmoProgram::selectRate(int index) {
  panel_.rateIndex = index;
  panel_.changed();
}

void VelmoProgram::clearInformation() {
  info_.clearFields();
  info_.statusText.clear();
  info_.fileCount = 0;
  info_.changed();
  fileTable_.clear();
  memo_.clear();
}

void VelmoProgram::setDepthParameters(const DepthParameters& depth) {
  saved_.density = depth.density;
  saved_.gravity = depth.gravity;
  saved_.pressureOffset = depth.offset;
}

void VelmoProgram::showFileDetails(int position) {
  std::vector<std::string> lines = fileTable_.details(position, texts_.lookup(), state_.TraceSwitch);
  if (lines.empty()) return;
  memo_.clear();
  for (const std::string& line : lines) memo_.addRaw(line);
}

// --- one-second tick ---------------------------------------------------------------------------

void VelmoProgram::onSecondTick() {
  // No keep-alive read while a file comes in: its answer would be taken for file data.
  if (download_->holdsLink()) state_.IdleTicks = 0;
  pollLiveValues();
  clockCheck_->onSecondTick();
  connection_->onSecondTick();
  download_->onSecondTick();
  if (update_) update_->onSecondTick();
}

void VelmoProgram::createUpdate() {
  VelmoUpdateContext context{env_.home.dir(),
                             env_.updateServer.empty() ? switches_.updateServer : env_.updateServer,
                             env_.executablePath, [this] { port_.close(); },
                             [this] {
                               if (quit_) quit_();
                             }};
  update_ = std::make_unique<VelmoUpdate>(
      loop_, operator_, memo_,
      [this](const std::string& section, const std::string& key) { return text(section, key); },
      std::move(context));
}

void VelmoProgram::checkForUpdate() {
  update_->checkForUpdate(text("MENU", "menu_updcheck"));
  showPage(Page::Download);
}

void VelmoProgram::pollLiveValues() {
  const LivePollConditions conditions{state_.connected(), liveValues_->liveDisplayOn(),
                                      navigation_.page == Page::Download, download_->holdsLink(),
                                      infoPollAtFileListStep()};
  if (!livePollDue(conditions) || systemSettings_->awaitsAcknowledgement()) return;
  state_.LastRequest = liveValueRequest();
  port_.writeBuffer(state_.LastRequest);
  state_.IdleTicks = 0;
}

// The file table's answer is long and must not be interrupted by a poll.
bool VelmoProgram::infoPollAtFileListStep() const {
  return sequencer_->current() == infoPoll_.get() && infoPoll_->step() == InfoPoll::kFileList;
}

// --- recorded files ----------------------------------------------------------------------------

void VelmoProgram::showStatus(const std::string& status) {
  info_.statusText = status;
  info_.changed();
}

// TimerBaudRateOld: after the progress dialog closed, the logger and the port go back to the
// configured rate.
void VelmoProgram::restoreBaudRateTick() {
  baudRateOldTimer_->stop();
  connection_->restoreBaudRate();
  restoreWriteDueMs_ = loop_.nowMs() + kRestoreRepeatMs;
}

// The task log lets a later export correct the clock drift of this task's records.
void VelmoProgram::logWrittenTask() {
  if (env_.home.dir().empty()) return;
  const task::TaskWriteValues& task = taskWrite_->writtenTask();
  TaskLogEntry entry{info_.serialNumber, decodeLegacyText(task.nameGbk), task.start, task.end,
                     taskWrite_->synchronisedAt()};
  if (!appendTaskLog(env_.home.path(kTaskLogFile), entry))
    memo_.add("velmo's task log cannot be written: " + env_.home.path(kTaskLogFile));
}

bool VelmoProgram::downloadNewFiles() {
  if (download_->running() || download_->inBatch()) return false;
  const LocalStore store(env_.home.dir());
  std::vector<int> slots = slotsToFetch(fileTable_, storedEntries(store, info_.serialNumber), true);
  if (slots.empty()) {
    operator_.showMessage("", text("QL310", "ql310_no_new_files"));
    return false;
  }
  download_->startBatch(std::move(slots));
  return true;
}

bool VelmoProgram::rateRestorePending() const {
  return baudRateOldTimer_->enabled() || loop_.nowMs() <= restoreWriteDueMs_;
}

DataFileHeader VelmoProgram::dataFileIdentity() {
  identity_.setFirmwareVersion(info_.firmwareVersion);
  identity_.setSerialNumber(info_.serialNumber);
  for (int i = 0; i < static_cast<int>(info_.InstrumentConstants.size()); ++i)
    identity_.setParameter(i, info_.InstrumentConstants[static_cast<std::size_t>(i)]);
  return identity_;
}

// --- received replies --------------------------------------------------------------------------

FileTable::Outcome VelmoProgram::parseFileList(const Bytes& block) {
  FileTable::TraceSink trace;
  if (state_.TraceSwitch) trace = [this](const std::string& line) { memo_.add(line); };
  FileTable::Outcome outcome = fileTable_.parse(block, state_, trace);
  if (outcome == FileTable::Outcome::Accepted)
    info_.statusText = text("SYSTEMINFORMATION", "info_get_list_end");
  if (outcome == FileTable::Outcome::Empty) info_.statusText = text("QL310", "ql310_file_list_empty");
  info_.fileCount = fileTable_.count();
  info_.changed();
  // A table taken moves the poll past its file-list step; the wait it set runs on.
  if (FileTable::taken(outcome)) sequencer_->answerStep(InfoPoll::kFileList);
  return outcome;
}

void VelmoProgram::onFileListContinuation(const Bytes& block) {
  parseFileList(block);
  sequencer_->skipWait();
}

void VelmoProgram::onConnectionAnswer() { connection_->connectedStep(); }

void VelmoProgram::onTrace(const std::string& hexLine) { memo_.add(hexLine); }

void VelmoProgram::onReply(ReplyKind kind, const Bytes& block) {
  if (infoPoll_->takeReply(kind, block)) return;
  switch (kind) {
    case ReplyKind::FileList:
      parseFileList(block);
      return;
    case ReplyKind::LiveValues:
      liveValues_->acceptReply(block);
      systemSettings_->refreshCurrentValues();
      return;
    case ReplyKind::WriteAcknowledged:
    case ReplyKind::WriteAcknowledgedBare:
      // Each write's owner takes the acknowledgements that are its own.
      taskWrite_->onAcknowledged();
      systemSettings_->onWriteAcknowledged(block);
      return;
    case ReplyKind::BaudRateAccepted:
      systemSettings_->onBaudRateAccepted();
      return;
    case ReplyKind::SettingsDriftValue:
      systemSettings_->takeTemperatureReply(block);
      return;
    case ReplyKind::SettingsPressureDrift:
      systemSettings_->takePressureReply(block);
      return;
    default:
      // The task registers; the settings and calibration features take the others.
      taskRead_->takeReply(kind, block);
      return;
  }
}

bool VelmoProgram::awaits(ReplyKind kind) const {
  if (kind == ReplyKind::SettingsDriftValue) return systemSettings_->awaits(SettingsRead::kTemperature);
  if (kind == ReplyKind::SettingsPressureDrift) return systemSettings_->awaits(SettingsRead::kPressure);
  return false;
}

}  // namespace ql
