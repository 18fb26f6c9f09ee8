#pragma once
// velmo without its windows: the link, the dispatcher, the feature sequencers, the settings and
// the language, wired together on one loop thread. The Qt main window renders the models it
// exposes and forwards the operator's actions to it; headless commands and tests drive it directly.

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/calibration_desk.h"
#include "data/data_file.h"
#include "data/data_page_controller.h"
#include "data/download.h"
#include "data/file_deletion.h"
#include "data/file_table.h"
#include "data/water_height.h"
#include "link/connection.h"
#include "link/connection_panel.h"
#include "link/link_state.h"
#include "link/memo_log.h"
#include "link/port.h"
#include "link/receive_dispatcher.h"
#include "link/reply_handlers.h"
#include "runtime/observable.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "shell/engineering_console.h"
#include "shell/language_texts.h"
#include "shell/saved_state.h"
#include "shell/settings_read.h"
#include "shell/startup_switches.h"
#include "shell/system_settings.h"
#include "shell/velmo_home.h"
#include "shell/velmo_update.h"
#include "status/clock_check.h"
#include "status/info_poll.h"
#include "status/instrument_info.h"
#include "status/live_values.h"
#include "status/poll_sequencer.h"
#include "task/running_task_prompt.h"
#include "task/task_page.h"
#include "task/task_read_sequence.h"
#include "task/task_write_sequence.h"

namespace ql {

// The model text of the logger this program serves; page 3 reads the task of a logger whose
// model shows its last three characters.
inline constexpr const char* kLoggerModelName = "QL310";

// The page shown in the main window.
enum class Page { Download = 1, DataView = 2, Configuration = 3 };

class NavigationState : public Observable {
 public:
  Page page = Page::Download;
  void changed() const { notify(); }
};

// The language in use changed: every text shown from now on is of the new one.
class LanguageChange : public Observable {
 public:
  void changed() const { notify(); }
};

struct ProgramEnvironment {
  VelmoHome home;                      // settings, data files, delivered resources
  PortLister listPorts;                // the system's ports; serialPortPaths when empty
  std::function<std::time_t()> clock;  // wall clock; time(nullptr) when empty
  // A logger found recording: ask whether to stop its task (the window), or leave it recording
  // and let the poll stop there (headless commands, which read a recording logger).
  bool askToStopRunningTask = true;
  // Where the search looks first; when empty, where a logger answered last (link.ini).
  std::optional<Connection::Endpoint> preferredEndpoint{};
  // The online update: the server when given on the command line (else [UPDATE] SERVER=), and
  // the program the update replaces (the running one when empty).
  std::string updateServer{};
  std::string executablePath{};
  // The calibration workbench's second port, for the pressure reference; a serial port of the
  // program's own when not given (tests give an in-memory one).
  Port* referencePort = nullptr;
  // What a port box says of a port; describeSerialPort when empty.
  PortDescriber describePort{};
  // The locale that picks the language on a first start (no language stored yet); none: the
  // default language.
  std::optional<std::string> messagesLocale{};
};

class VelmoProgram : private ReplyHandlers {
 public:
  VelmoProgram(Scheduler& loop, Operator& op, Port& port, ProgramEnvironment env);
  ~VelmoProgram() override;

  // Start-up before the window shows: directories, settings files, language.
  void create();
  // Deferred start-up: picture check (false: the program must end; the operator was told),
  // then the search loop starts.
  bool initialise();
  // Start for headless commands: the search loop and the one-second tick, no picture check.
  void startHeadless();
  // Exit: the last link frame, then sysuse.d is saved with the window geometry and the language
  // chosen in the language box.
  void close(const WindowGeometry& window, const std::string& languageBoxText);

  // Texts of the chosen language; empty for a missing key.
  std::string text(const std::string& section, const std::string& key) const;
  // Names for the language box, and the chosen one.
  std::vector<std::string> languages() const;
  std::string language() const;
  // Reloads the texts of the named language (the default one when its file is missing) and
  // tells languageChange()'s listeners; nothing happens when it is already in use.
  void setLanguage(const std::string& name);
  LanguageChange& languageChange() { return languageChange_; }
  // The stored window geometry when it may be restored on a screen of this size.
  std::optional<WindowGeometry> restoredGeometry(int screenWidth, int screenHeight) const;
  const LanguageTexts& texts() const { return texts_; }
  const StartupSwitches& switches() const { return switches_; }
  const SavedState& savedState() const { return saved_; }
  const VelmoHome& home() const { return env_.home; }

  // Models the window renders.
  ConnectionPanel& connectionPanel() { return panel_; }
  // What is known of a port (description, stable name), for the port boxes.
  SerialPortInfo describePort(const std::string& path) const { return env_.describePort(path); }
  InstrumentInfo& instrumentInfo() { return info_; }
  FileTable& fileTable() { return fileTable_; }
  MemoLog& memo() { return memo_; }
  NavigationState& navigation() { return navigation_; }
  // Live values and the switch of live display; the history ring is kept in sysuse.d.
  LiveValues& liveValues() { return *liveValues_; }
  const LiveValues& liveValues() const { return *liveValues_; }
  const LinkState& linkState() const { return state_; }

  // Operator actions.
  void showPage(Page page);
  void selectPort(int index);
  void selectRate(int index);
  void connectManually() { connection_->connectManually(); }
  void disconnect() { connection_->disconnect(); }
  void setAutoSearch(bool on) { connection_->setAutoSearch(on); }
  void clearMemo() { memo_.clear(); }
  // The conversion constants typed on the data page: used by the download export and kept in
  // sysuse.d at exit.
  void setDepthParameters(const DepthParameters& depth);
  // The operator picked an item of the instrument's file list: its details go to the memo.
  void showFileDetails(int position);
  // "获取": fetches the file at the displayed position (0-based) into a local data file. The
  // progress dialog is a view of downloadProgress(); its cancel button calls cancelDownload().
  void startDownload(int position) { download_->start(position); }
  // Every listed file not yet in the local store (see data/new_files.h), one after another
  // behind one dialog; false (and the operator told) when there is none to fetch.
  bool downloadNewFiles();
  void cancelDownload() { download_->cancel(); }
  // A double-click on the logo: the progress dialog at 0, nothing fetched.
  void showDownloadDialog() { download_->showIdleDialog(); }
  // "删除" (position -1 when nothing is selected) and "全删"; the erase notice is a view of
  // eraseNotice().
  void deleteFile(int position) { deletion_->deleteOne(position); }
  void deleteAllFiles() { deletion_->deleteAll(); }
  // A double-click on the clock field: the computer's time goes into the logger and is read
  // back. Works whether or not a logger is linked.
  void synchroniseClock() { clockCheck_->synchronise(); }

  // The program menu: the update check (shows page 1) and the about box; the update's hand-over
  // ends the program through the quit handler (the window closes itself).
  void checkForUpdate();
  void showAbout() { update_->showAbout(); }
  VelmoUpdate& update() { return *update_; }
  void setQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }

  // Page 3: the logging task. "获取仪器当前配置" reads it from the logger (only while linked);
  // "将当前配置写入到仪器" checks it, asks, and writes it.
  task::TaskPage& taskPage() { return *taskPage_; }
  void readConfiguration();
  void writeConfiguration() { taskWrite_->start(); }
  task::TaskReadSequence& taskRead() { return *taskRead_; }
  task::TaskWriteSequence& taskWrite() { return *taskWrite_; }

  // Page 2: the open data file, how water height is computed, the exports.
  DataPageController& dataPage() { return *dataPage_; }

  DownloadJob& download() { return *download_; }
  DownloadProgress& downloadProgress() { return download_->progress(); }
  FileDeletion& deletion() { return *deletion_; }
  EraseNotice& eraseNotice() { return deletion_->notice(); }
  // "yyyymmddhhmmss" of the data file stored last; the local file list marks its item.
  const std::string& lastSaveStamp() const { return download_->lastSaveStamp(); }
  // The line rate is being restored after a download (the restore write is still to go out).
  bool rateRestorePending() const;

  Connection& connection() { return *connection_; }
  PollSequencer& pollSequencer() { return *sequencer_; }
  InfoPoll& infoPoll() { return *infoPoll_; }
  ClockCheck& clockCheck() { return *clockCheck_; }
  ReceiveDispatcher& dispatcher() { return *dispatcher_; }
  // The service chords of the data information memo.
  EngineeringConsole& console() { return *console_; }
  // The calibration workbench; while open it takes every received block.
  calibration::CalibrationDesk& calibration() { return *calibration_; }
  // The window shows the calibration dialog through this when the service chord asks for it;
  // without it the chord does nothing.
  void setCalibrationOpener(std::function<void()> open) { console_->openCalibration = std::move(open); }

  // The system settings dialog (program menu, while linked): show() it with the current
  // precisions; it reads the zero offsets once a second while open.
  SystemSettings& systemSettings() { return *systemSettings_; }
  void showSystemSettings();

 private:
  void onReply(ReplyKind kind, const Bytes& block) override;
  bool awaits(ReplyKind kind) const override;
  void onFileListContinuation(const Bytes& block) override;
  void onCalibrationBlock(const Bytes& block) override { calibration_->receive(block); }
  void onFileDataHead(const Bytes& block) override { download_->onFileDataHead(block); }
  void onDownloadBlock(const Bytes& block) override { download_->onDownloadBlock(block); }
  void onSpeedSwitchReply(std::uint32_t baudRate) override { download_->onSpeedSwitchReply(baudRate); }
  void onConnectionAnswer() override;
  void onTrace(const std::string& hexLine) override;
  void onSecondTick();
  void createUpdate();
  void pollLiveValues();
  bool infoPollAtFileListStep() const;
  void send(const Bytes& frameWithoutCrc);
  // The first block of the file table's reply, or the block that completes it.
  FileTable::Outcome parseFileList(const Bytes& block);
  void showStatus(const std::string& text);
  DataFileHeader dataFileIdentity();
  void restoreBaudRateTick();
  void logWrittenTask();
  std::function<std::time_t()> wallClock() const;

  static constexpr int kRestoreRateDelayMs = 600;
  // The restore write goes out twice, this far apart (Connection::restoreBaudRate).
  static constexpr int kRestoreRepeatMs = 100;

  void clearInformation();
  void createTaskPage(const TextLookup& lookup);
  void startConfigurationRead();
  void fillPortBoxFromSystem();

  Scheduler& loop_;
  Operator& operator_;
  Port& port_;
  ProgramEnvironment env_;
  LinkState state_;
  ConnectionPanel panel_;
  InstrumentInfo info_;
  MemoLog memo_;
  NavigationState navigation_;
  FileTable fileTable_;
  StartupSwitches switches_;
  SavedState saved_;
  LanguageTexts texts_;
  std::string languageName_;
  LanguageChange languageChange_;
  void loadLanguage(const std::string& name);
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<ReceiveDispatcher> dispatcher_;
  std::unique_ptr<PollSequencer> sequencer_;
  std::unique_ptr<InfoPoll> infoPoll_;
  std::unique_ptr<ClockCheck> clockCheck_;
  std::unique_ptr<task::TaskPage> taskPage_;
  std::unique_ptr<task::TaskReadSequence> taskRead_;
  std::unique_ptr<task::TaskWriteSequence> taskWrite_;
  std::unique_ptr<task::RunningTaskPrompt> runningTask_;
  std::unique_ptr<DownloadJob> download_;
  std::unique_ptr<DataPageController> dataPage_;
  void createDataPage(const TextLookup& lookup);
  std::unique_ptr<FileDeletion> deletion_;
  std::unique_ptr<LiveValues> liveValues_;
  std::unique_ptr<EngineeringConsole> console_;
  std::unique_ptr<Port> ownReferencePort_;  // when the environment gives none
  std::unique_ptr<calibration::CalibrationDesk> calibration_;
  void createCalibration();
  std::unique_ptr<Timer> secondTimer_;
  std::unique_ptr<SettingsRead> settingsRead_;
  std::unique_ptr<SystemSettings> systemSettings_;
  void createSystemSettings(const TextLookup& lookup);
  std::unique_ptr<Timer> baudRateOldTimer_;  // the rate restore, 600 ms after the dialog closed
  std::int64_t restoreWriteDueMs_ = -1;      // when the second restore write goes out
  DataFileHeader identity_;                  // keeps the firmware field's bytes between downloads
  std::unique_ptr<VelmoUpdate> update_;
  std::function<void()> quit_;
};

}  // namespace ql
