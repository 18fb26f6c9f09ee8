#pragma once
// The service console in the data information memo: key chords released with Ctrl and Alt held
// switch the hexadecimal trace, toggle the alternative link frame, list the instrument's
// constants, switch the logger's LED and open the calibration window. The chords that open
// service functions need the service digit of the day, derived from the program's clock.

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/connection_panel.h"
#include "link/link_state.h"
#include "link/memo_log.h"
#include "runtime/scheduler.h"
#include "status/instrument_info.h"

namespace ql {

// A key released in the memo, with the modifiers and pointer buttons held at that moment.
// Digits and letters are their upper-case ASCII codes ('0'..'9', 'A'..'Z'), as Qt's key codes.
struct ConsoleChord {
  int key = 0;
  bool ctrl = false;
  bool alt = false;
  bool leftButton = false;
  bool rightButton = false;
};

class EngineeringConsole {
 public:
  using Sender = std::function<void(const Bytes& frameWithoutCrc)>;

  // The LED frames go out twice, this far apart.
  static constexpr int kLedRepeatMs = 200;
  // The two battery coefficients of the listing; nothing fills them.
  static constexpr int kBatteryCoefficients = 2;

  struct Context {
    LinkState& state;
    ConnectionPanel& panel;
    MemoLog& memo;
    const InstrumentInfo& info;
    Scheduler& loop;
    Sender send;
    std::function<std::time_t()> clock;
    // The information poll is the running sequence and at a step from 0 to 25.
    std::function<bool()> infoPollBusy;
    // Live display off (both captions black).
    std::function<void()> liveDisplayOff;
  };

  explicit EngineeringConsole(Context context);
  ~EngineeringConsole();
  EngineeringConsole(const EngineeringConsole&) = delete;
  EngineeringConsole& operator=(const EngineeringConsole&) = delete;

  // A key released in the memo. Returns whether the chord did something.
  bool onKeyRelease(const ConsoleChord& chord);

  // The pop-up menu ("清空") is offered only while the information poll is idle.
  bool clearMenuOffered() const { return !context_.infoPollBusy || !context_.infoPollBusy(); }

  // The service digit ('0'..'9') of the day of t: Monday 1 .. Sunday 7 is d, the digit is
  // (3 d + 1) mod 10, so the seven digits differ and none is 8 (the listing's key).
  static int serviceKey(std::time_t t);

  // Opens the calibration window modally. While no calibration window exists this stays empty
  // and the service chord with the right button does nothing.
  std::function<void()> openCalibration;

  // The lines of the constant listing, without the memo's time stamp.
  std::vector<std::string> constantLines() const;

 private:
  void toggleTrace();
  void toggleLinkEcho();
  void sendLedFrame(const Bytes& frame, const char* line);

  Context context_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The logger's LED switches: function 0x04 control frames.
Bytes ledOnFrame();
Bytes ledOffFrame();

}  // namespace ql
