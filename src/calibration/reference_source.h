#pragma once
// The programmable pressure reference of the calibration workbench, on the second port: the port
// choice, the "自动" box that opens the port and switches the reference's output on, and the
// automatic stepping that sets each point of the pressure table, waits for it to settle and
// confirms it without the operator.
//
// The reference takes three text instructions and answers nothing; nothing is read back, so a
// reference that rejects an instruction or a port that failed to open goes unnoticed (sends on a
// closed port do nothing) while the stepping and the confirmations go on.
//
// The pauses between the sends of one sequence (300 ms, 600 ms) are scheduled; like the blocking
// pauses they stand for, they hold the stepping back until the sequence is done.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/port.h"
#include "link/port_list.h"
#include "runtime/observable.h"
#include "runtime/scheduler.h"

namespace ql::calibration {

namespace reference_instruction {
inline constexpr std::string_view kOutputOn = ":OUTPut:STATe ON\r\n";
inline constexpr std::string_view kOutputOff = ":OUTPut:STATe OFF\r\n";
// A point of the pressure table that is not an integer (Pa) sends the reference here.
inline constexpr int kFallbackPointPa = 105000;
}  // namespace reference_instruction

// ":SOURce " + the point in kPa with one decimal + CR LF, from the text of a point cell in Pa:
// "100000" gives ":SOURce 100.0\r\n", "2500" gives ":SOURce 2.5\r\n", "abc" gives 105.0.
std::string sourceInstruction(const std::string& pointText);

// What the reference source reads and does in the workbench.
struct ReferenceContext {
  std::function<int()> pressureColumn;  // column of the pressure cell being filled
  std::function<int()> pressureRow;     // its row; 0 when none
  std::function<bool()> pressureTabActive;
  std::function<int()> sampleCount;  // non-zero samples found by the last average
  std::function<int()> windowSize;   // the averaging window
  std::function<int()> autoTicks;
  std::function<void(int)> setAutoTicks;
  std::function<std::string(int row)> pointText;  // column 1 of the pressure table
  // Locks the current reading into the cell and moves to the next one.
  std::function<void()> confirm;
};

class ReferenceSource : public Observable {
 public:
  static constexpr std::uint32_t kBaudRate = 9600;
  static constexpr int kOpenDelayMs = 20;       // TimerOpenCom2, one shot
  static constexpr int kOutputOnDelayMs = 300;  // open -> output on
  static constexpr int kSourceDelayMs = 600;    // output on -> first set point
  static constexpr int kCloseDelayMs = 300;     // output off -> port closed
  static constexpr int kAutoRunMs = 1000;       // TimerAutoRun
  // Verification points are confirmed on the tenth tick; calibration points once AutoTicks
  // exceeds the window plus this.
  static constexpr int kVerificationTicks = 10;
  static constexpr int kSettlingTicks = 10;

  // port: the second port (a SerialPort in the program, a MemoryPort in tests), with the line
  // settings 8N1, DTR on, RTS off, no flow control; its rate is set to 9600 here. No receive
  // handler is attached. listPorts: the machine's ports. All must outlive this object.
  ReferenceSource(Scheduler& loop, Port& port, PortLister listPorts, ReferenceContext context);
  ~ReferenceSource();
  ReferenceSource(const ReferenceSource&) = delete;
  ReferenceSource& operator=(const ReferenceSource&) = delete;

  // --- the port choice, filled at creation; nothing is chosen at first
  const std::vector<std::string>& portChoices() const { return portChoices_; }
  const std::string& chosenPort() const { return chosenPort_; }
  void choosePort(const std::string& name);
  // Double-click on the port caption: the choice is emptied and the list read again.
  void refillPortChoices();

  // --- the "自动" box
  bool automatic() const { return automatic_; }
  // A click that leaves the box checked or not. Refused (box unchecked, port closed) when the
  // chosen port name is shorter than 4 characters, no pressure row is selected, or the pressure
  // column is below 2, 6 or above 8; otherwise the port is opened or closed 20 ms later, as the
  // box then stands.
  void setAutomatic(bool checked);
  // The port text is red while the port is open, black otherwise.
  bool portOpen() const { return port_.isOpen(); }

  // --- the dialog's life
  // Shown: the box is cleared and the stepping runs.
  void dialogShown();
  // Closing: the stepping stops, the output is switched off and the port closed 300 ms later.
  void dialogClosed();

 private:
  void openTimerTick();
  void autoRunTick();
  void openSequence();
  void closeSequence();
  // Runs step after delayMs unless this object is gone or a newer sequence has started.
  void later(int delayMs, std::function<void()> step);
  void send(std::string_view instruction);
  void sendSelectedPoint();

  Scheduler& loop_;
  Port& port_;
  PortLister listPorts_;
  ReferenceContext context_;
  std::vector<std::string> portChoices_;
  std::string chosenPort_;
  bool automatic_ = false;
  // A sequence with pauses is under way: the stepping waits.
  bool sequenceRunning_ = false;
  bool closePending_ = false;
  std::uint64_t sequence_ = 0;
  std::unique_ptr<Timer> openTimer_;
  std::unique_ptr<Timer> autoRunTimer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ql::calibration
