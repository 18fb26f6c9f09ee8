#include "status/live_values.h"

#include <algorithm>
#include <charconv>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "runtime/formats.h"

namespace ql {

namespace {

constexpr double kRawScale = 10000.0;  // values count 0.0001 units
constexpr double kTemperatureLow = -50.0, kTemperatureHigh = 100.0;
constexpr double kPressureLow = 0.0, kPressureHigh = 1200.0;
constexpr double kThirdLow = 0.0, kThirdHigh = 1200.0;

const Bytes kHead8{0x01, 0x03, 0x08};
const Bytes kHead16{0x01, 0x03, 0x10};
const Bytes kHead8Pattern{0x01, 0x03, 0x08, 0x00};

Bytes pollRequest() { return reg::readRequest(reg::kLiveValues, 8); }

// count bytes from at, when the reply holds them all.
std::optional<Bytes> take(const Bytes& reply, std::size_t at, std::size_t count) {
  if (at + count > reply.size()) return std::nullopt;
  return Bytes(reply.begin() + static_cast<std::ptrdiff_t>(at),
               reply.begin() + static_cast<std::ptrdiff_t>(at + count));
}

// The signed value at offset within the data; bytes past the end count as 0.
double rawValue(const Bytes& data, std::size_t offset) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < 4; ++i)
    if (offset + i < data.size()) bytes[i] = data[offset + i];
  return static_cast<std::int32_t>(BeU32(bytes)) / kRawScale;
}

// "yyyy-mm-dd hh:mm:ss" into a fixed buffer: no allocation on the storing path.
std::string_view writeStamp(const DateTime& dt, std::array<char, 20>& out) {
  auto put = [&out](std::size_t at, int value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
      out[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
  };
  put(0, dt.year, 4);
  out[4] = '-';
  put(5, dt.month, 2);
  out[7] = '-';
  put(8, dt.day, 2);
  out[10] = ' ';
  put(11, dt.hour, 2);
  out[13] = ':';
  put(14, dt.minute, 2);
  out[16] = ':';
  put(17, dt.second, 2);
  return {out.data(), 19};
}

std::optional<double> parseShownNumber(const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

Bytes liveValueRequest() { return AppendCrc(pollRequest()); }

std::optional<Bytes> liveValueData(const Bytes& reply) {
  const Bytes request = pollRequest();
  std::optional<Bytes> data;
  auto replaceWith = [&data](std::optional<Bytes> taken) {
    if (taken) data = std::move(taken);
  };
  // 1. The bare 8-byte answer.
  if (reply.size() == 13 && startsWith(reply, kHead8)) replaceWith(take(reply, 3, 8));
  // 2. The echo of the request with its CRC, then the 8-byte answer.
  if (reply.size() == 21 && startsWith(reply, concat({liveValueRequest(), kHead8})))
    replaceWith(take(reply, 11, 8));
  // 3. The echo without a fixed length: the answer's head found anywhere in the reply. A head too
  //    close to the end to carry 8 bytes takes nothing, so it cannot spoil what form 2 took.
  if (startsWith(reply, request)) {
    const auto at = std::search(reply.begin(), reply.end(), kHead8Pattern.begin(), kHead8Pattern.end());
    if (at != reply.end()) replaceWith(take(reply, static_cast<std::size_t>(at - reply.begin()) + 3, 8));
  }
  // 4. The bare 16-byte answer.
  if (reply.size() == 21 && startsWith(reply, kHead16)) replaceWith(take(reply, 3, 16));
  // 5. The echo, then the 16-byte answer.
  if (reply.size() == 29 && startsWith(reply, request)) replaceWith(take(reply, 11, 16));
  return data;
}

LiveSample decodeLiveSample(const Bytes& data) {
  LiveSample sample;
  sample.pressure = std::clamp(rawValue(data, 0), kPressureLow, kPressureHigh);
  sample.temperature = std::clamp(rawValue(data, 4), kTemperatureLow, kTemperatureHigh);
  sample.thirdChannel = std::clamp(rawValue(data, 8), kThirdLow, kThirdHigh);
  sample.internalTemperature = std::clamp(rawValue(data, 12), kTemperatureLow, kTemperatureHigh);
  return sample;
}

bool livePollDue(const LivePollConditions& c) {
  return c.connected && c.liveDisplayOn && c.downloadPageShown && !c.downloadRunning && !c.infoPollAtFileList;
}

std::string formatWithDecimals(double value, int decimalsCode) {
  return formatFixed(value, decimalsCode == 1 || decimalsCode == 3 ? decimalsCode : 2);
}

LiveValues::LiveValues(MonitorHistory& history, Clock clock, Settings settings)
    : history_(history), clock_(std::move(clock)), settings_(std::move(settings)) {}

void LiveValues::setLiveDisplay(bool on) {
  if (on == liveDisplayOn_) return;
  liveDisplayOn_ = on;
  notify();
}

bool LiveValues::acceptReply(const Bytes& reply) {
  const std::optional<Bytes> data = liveValueData(reply);
  if (!data) return false;
  store(decodeLiveSample(*data));
  return true;
}

void LiveValues::store(const LiveSample& sample) {
  storeInRing(sample);
  updateTexts(sample);
  notify();
}

void LiveValues::storeInRing(const LiveSample& sample) {
  const auto slot = static_cast<std::size_t>(history_.writeIndex);
  std::array<char, 20> stamp;
  history_.setStamp(slot, writeStamp(localDateTime(clock_()), stamp));
  history_.temperature[slot] = sample.temperature;
  history_.pressure[slot] = sample.pressure;
  history_.thirdChannel[slot] = sample.thirdChannel;
  history_.internalTemperature[slot] = sample.internalTemperature;
  history_.writeIndex =
      history_.writeIndex + 1 >= static_cast<int>(MonitorHistory::kSlots) ? 0 : history_.writeIndex + 1;
  latest_ = sample;
  ++sampleCount_;
}

void LiveValues::updateTexts(const LiveSample& sample) {
  const LiveDisplaySettings settings = settings_ ? settings_() : LiveDisplaySettings{};
  temperatureText_ = formatWithDecimals(sample.temperature, settings.temperatureDecimals);
  pressureText_ = formatWithDecimals(sample.pressure, settings.pressureDecimals);
  const std::string thirdChannelText = formatWithDecimals(sample.thirdChannel, settings.temperatureDecimals);
  monitorTexts_ = {temperatureText_, pressureText_, thirdChannelText,
                   formatFixed(sample.internalTemperature, 2)};
  switch (settings.thirdField) {
    case 3:
      thirdText_ = formatFixed(sample.internalTemperature, 3);
      break;
    case 2: {
      // The height of the pressure as shown, not of the unrounded value.
      const double shown = parseShownNumber(pressureText_).value_or(sample.pressure);
      thirdText_ = WaterHeight(shown, settings.depth);
      break;
    }
    default:
      thirdText_ = thirdChannelText;
  }
}

}  // namespace ql
