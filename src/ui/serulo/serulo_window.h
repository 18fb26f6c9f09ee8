#pragma once
// serulo's main window: port setup, the receive area, the send area, the status panels, the
// read-out labels and the extension panel. The logic lives in Terminal; the window renders its
// state and forwards what the user does.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "assistant/assistant_session.h"
#include "assistant/terminal.h"
#include "assistant/terminal_line.h"
#include "link/port_list.h"
#include "link/serial_port.h"
#include "ui/qt/qt_operator.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace ql {

class ExtensionPanel;
class ReceiveView;
class Scheduler;

struct SeruloOptions {
  // serulo.ini; empty: the working directory's when there, else the user's configuration one.
  std::string settingsPath;
  // The machine's serial ports; empty: the system's devices and VELMO_EXTRA_PORTS.
  Terminal::PortLister portLister;
  // What the port box says of a port; empty: what sysfs tells.
  PortDescriber portDescriber;
  // Dialogs; null: Qt dialogs over the window.
  Operator* dialogs = nullptr;
};

class SeruloWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "串口调试助手 V2.1.05        20121212 - 20181016";
  static constexpr int kStartUpDelayMs = 10;
  // The read-out labels are hidden in a window lower than this.
  static constexpr int kReadOutMinHeight = 566;

  SeruloWindow(Scheduler& scheduler, SeruloOptions options, QWidget* parent = nullptr);
  ~SeruloWindow() override;

  Terminal& terminal() { return terminal_; }
  ReceiveView* receiveView() const { return receiveView_; }
  ExtensionPanel* extensionPanel() const { return extensionPanel_; }
  const std::string& settingsPath() const { return session_.settingsPath(); }
  // True once the start-up step (settings restored, port opened) has run.
  bool startedUp() const { return startedUp_; }
  // The settings as they would be saved now.
  AssistantSettings currentSettings() const;
  AssistantSession& session() { return session_; }
  // Opens the control form; returns when it closes.
  void openControlForm();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildPortPanel();
  void addLineBoxes(QGridLayout* grid, int& row);
  void addDisplayControls(QGridLayout* grid, int& row);
  QWidget* buildReadOutPanel();
  void connectPortPanel();
  void connectDisplayControls();
  QWidget* buildSendPanel();
  QWidget* buildStatusBar();
  void connectTerminal();
  void render(unsigned changes);
  void startUp();
  void applySettings(const AssistantSettings& settings);
  void applyReadOutCaptions();
  void saveOnClose();
  void setExtensionShown(bool shown);
  void refreshPortBox();
  void chooseSavePath();
  void chooseSendFile();
  void toggleSendAreaForm(bool toHex);

  AssistantSession session_;
  PortDescriber describePort_;
  SerialPort port_;
  SerialTerminalLine line_;
  Terminal terminal_;
  QtOperator qtDialogs_;
  Operator* dialogs_;
  bool startedUp_ = false;
  static constexpr int kStatusIntervalMs = 100;
  unsigned deferredStatus_ = 0;  // status-bar changes of received data waiting for their turn
  QTimer statusTimer_;
  QElapsedTimer sinceStatusShown_;
  QString savePath_;

  QComboBox* portBox_ = nullptr;
  QLabel* portLabel_ = nullptr;
  QComboBox* baudBox_ = nullptr;
  QComboBox* parityBox_ = nullptr;
  QComboBox* dataBitsBox_ = nullptr;
  QComboBox* stopBitsBox_ = nullptr;
  QLabel* lamp_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* displayButton_ = nullptr;
  QCheckBox* autoClearCheck_ = nullptr;
  QCheckBox* hexDisplayCheck_ = nullptr;
  QCheckBox* rememberCheck_ = nullptr;
  QLabel* savePathLabel_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* clearReceiveButton_ = nullptr;
  QWidget* readOutPanel_ = nullptr;
  std::array<QLabel*, kReadOutCount> readOutCaptions_{};
  std::array<QLabel*, kReadOutCount> readOutValues_{};
  ReceiveView* receiveView_ = nullptr;
  QPlainTextEdit* sendArea_ = nullptr;
  QCheckBox* hexSendCheck_ = nullptr;
  QCheckBox* autoSendCheck_ = nullptr;
  QCheckBox* convertCheck_ = nullptr;
  QSpinBox* periodBox_ = nullptr;
  QPushButton* extensionButton_ = nullptr;
  QPushButton* manualSendButton_ = nullptr;
  ExtensionPanel* extensionPanel_ = nullptr;
  QLabel* messagePanel_ = nullptr;
  QLabel* receiveCounter_ = nullptr;
  QLabel* sendCounter_ = nullptr;
  QLabel* clockPanel_ = nullptr;
  QLabel* infoPanel_ = nullptr;
};

}  // namespace ql
