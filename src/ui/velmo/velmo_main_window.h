#pragma once
// velmo's main window: the banner, the three navigation buttons, the language box and the three
// pages (data download, data view, configuration). It owns the program core, the serial port
// and the event-loop adapter, renders the core's models and forwards the operator's actions.
//
// Start-up: the constructor runs the program's create() and places the window; start() shows it
// and 10 ms later runs the deferred start-up, whose failure (a missing picture) closes the
// window. Closing saves the window geometry and the chosen language.

#include <QMainWindow>
#include <memory>
#include <optional>

#include "link/serial_port.h"
#include "shell/velmo_program.h"
#include "ui/qt/qt_operator.h"
#include "ui/qt/qt_scheduler.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/velmo_pictures.h"

class QComboBox;
class QStackedWidget;

namespace ql {

class Banner;
class CalibrationDialog;
class DataViewPage;
class DownloadProgressDialog;
class EraseNoticeWindow;
class LiveValuesBox;
class NavigationBar;

class VelmoMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // A link to use instead of the serial port: a logger in the process (MemoryPort) on a loop
  // of the caller's, which must run on this thread's Qt event loop.
  struct Link {
    Scheduler& loop;
    Port& port;
  };

  // op answers the program's questions; null: message boxes over this window.
  explicit VelmoMainWindow(ProgramEnvironment env, Operator* op = nullptr, QWidget* parent = nullptr,
                           std::optional<Link> link = std::nullopt);
  ~VelmoMainWindow() override;

  // Shows the window and schedules the deferred start-up.
  void start();
  // Sets the window title and banner from the language in use; the pages and dialogs apply
  // their own texts on the same language change.
  void applyTexts();
  VelmoProgram& program() { return *program_; }
  DataViewPage* dataViewPage() const { return dataView_; }
  DownloadProgressDialog* progressDialog() const { return progress_; }
  EraseNoticeWindow* eraseNotice() const { return eraseNotice_; }
  // The calibration workbench's dialog; null until the service chord first opened it.
  CalibrationDialog* calibrationDialog() const { return calibrationDialog_; }

  // Delay between the window's start and the deferred start-up.
  static constexpr int kDeferredStartMs = 10;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildDownloadPage();
  QWidget* buildLanguageBox();
  void placeWindow();
  void showCurrentPage();
  void openCalibration();

  QtScheduler loop_;
  QtOperator messageBoxes_;
  SerialPort port_;
  std::unique_ptr<VelmoProgram> program_;  // before the views: they render its models
  VelmoPictures pictures_;
  Banner* banner_ = nullptr;
  NavigationBar* navigation_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  LiveValuesBox* liveValues_ = nullptr;
  DataViewPage* dataView_ = nullptr;
  DownloadProgressDialog* progress_ = nullptr;
  EraseNoticeWindow* eraseNotice_ = nullptr;
  CalibrationDialog* calibrationDialog_ = nullptr;
  QComboBox* languageBox_ = nullptr;
  RenderBatch pageBatch_;
  bool closed_ = false;
};

}  // namespace ql
