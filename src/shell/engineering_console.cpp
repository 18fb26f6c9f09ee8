#include "shell/engineering_console.h"

#include <string>
#include <vector>

#include "runtime/formats.h"

namespace ql {

namespace {

constexpr int kListingKey = '8';
constexpr int kLinkEchoKey = 'S';
constexpr int kLedOnKey = 'C';
constexpr int kLedOffKey = 'V';

// The constants are listed as K3 .. K14.
constexpr int kFirstConstantNumber = 3;
constexpr int kListedConstants = 12;

std::string listingLine(const std::string& label, int number, const std::string& value) {
  return label + std::to_string(number) + " :  " + value;
}

}  // namespace

Bytes ledOnFrame() { return Bytes{0x01, 0x04, 0x01, 0x01, 0x01, 0x06}; }
Bytes ledOffFrame() { return Bytes{0x01, 0x04, 0x01, 0x01, 0x01, 0x05}; }

EngineeringConsole::EngineeringConsole(Context context) : context_(std::move(context)) {}

EngineeringConsole::~EngineeringConsole() = default;

int EngineeringConsole::serviceKey(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  const int isoDay = local.tm_wday == 0 ? 7 : local.tm_wday;  // Monday 1 .. Sunday 7
  return '0' + (3 * isoDay + 1) % 10;
}

bool EngineeringConsole::onKeyRelease(const ConsoleChord& chord) {
  if (!chord.ctrl || !chord.alt) return false;

  const std::time_t now = context_.clock ? context_.clock() : std::time(nullptr);
  if (chord.key == serviceKey(now)) {
    if (chord.leftButton) {
      toggleTrace();
      return true;
    }
    if (chord.rightButton && context_.state.connected() &&
        !(context_.infoPollBusy && context_.infoPollBusy()) && openCalibration) {
      if (context_.liveDisplayOff) context_.liveDisplayOff();
      openCalibration();
      return true;
    }
    return false;
  }

  switch (chord.key) {
    case kListingKey:
      for (const std::string& line : constantLines()) context_.memo.add(line);
      return true;
    case kLinkEchoKey:
      if (!chord.leftButton) return false;
      toggleLinkEcho();
      return true;
    case kLedOnKey:
      if (!chord.leftButton) return false;
      sendLedFrame(ledOnFrame(), "打开 LED 指示灯.");
      return true;
    case kLedOffKey:
      if (!chord.leftButton) return false;
      sendLedFrame(ledOffFrame(), "关闭 LED 指示灯.");
      return true;
    default:
      return false;
  }
}

std::vector<std::string> EngineeringConsole::constantLines() const {
  const InstrumentInfo& info = context_.info;
  std::vector<std::string> lines;
  for (int i = 0; i < kListedConstants; ++i)
    lines.push_back(listingLine("K", kFirstConstantNumber + i,
                                std::to_string(info.InstrumentConstants[static_cast<std::size_t>(i)])));
  for (std::size_t i = 0; i < info.PressureRatios.size(); ++i)
    lines.push_back(listingLine("ratio pressure", int(i) + 1, formatShortest(info.PressureRatios[i])));
  for (std::size_t i = 0; i < info.TemperatureRatios.size(); ++i)
    lines.push_back(listingLine("ratio temperature", int(i) + 1, formatShortest(info.TemperatureRatios[i])));
  for (int i = 0; i < kBatteryCoefficients; ++i)
    lines.push_back(listingLine("ratio battery", i + 1, formatShortest(0.0)));
  return lines;
}

void EngineeringConsole::toggleTrace() {
  LinkState& state = context_.state;
  state.TraceSwitch = !state.TraceSwitch;
  context_.memo.add(state.TraceSwitch ? "switch = 1" : "switch = 0");
}

// The link frame follows LinkEcho (Connection::linkFrame); the status caption shows it in red.
void EngineeringConsole::toggleLinkEcho() {
  LinkState& state = context_.state;
  state.LinkEcho = state.LinkEcho == 1 ? 0 : 1;
  context_.panel.statusRed = state.LinkEcho == 1;
  context_.panel.changed();
}

// No reply is awaited; a closed port drops the frames.
void EngineeringConsole::sendLedFrame(const Bytes& frame, const char* line) {
  context_.memo.add(line);
  context_.send(frame);
  // A repeat still pending when the console is gone is dropped.
  std::weak_ptr<bool> alive = alive_;
  context_.loop.delay(kLedRepeatMs, [this, alive, frame] {
    if (alive.lock()) context_.send(frame);
  });
}

}  // namespace ql
