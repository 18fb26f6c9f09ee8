#include "shell/saved_state.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "runtime/atomic_file.h"
#include "runtime/encoding.h"
#include "runtime/formats.h"
#include "shell/utf8_text.h"

namespace ql {

namespace {

// Field offsets and sizes of the file.
constexpr std::size_t kWindowAt = 0;
constexpr std::size_t kReservedAt = 16;
constexpr std::size_t kNumberTextSize = 51;  // length byte + 50
constexpr std::size_t kDensityAt = 17;
constexpr std::size_t kGravityAt = 68;
constexpr std::size_t kOffsetAt = 119;
constexpr std::size_t kTemperatureDecimalsAt = 170;
constexpr std::size_t kPressureDecimalsAt = 174;
constexpr std::size_t kRecordIntervalAt = 178;
constexpr std::size_t kWriteIndexAt = 182;
constexpr std::size_t kHistoryAt = 186;
constexpr std::size_t kHistoryArrayBytes = MonitorHistory::kSlots * 8;
constexpr std::size_t kStampSize = 1 + MonitorHistory::kStampLength;
constexpr std::size_t kStampsAt = kHistoryAt + 4 * kHistoryArrayBytes;
constexpr std::size_t kLanguageAt = kStampsAt + MonitorHistory::kSlots * kStampSize;
constexpr std::size_t kLanguageSize = 1 + kLanguageNameBytes;
static_assert(kStampsAt == 3200186);
static_assert(kLanguageAt == 5300186);
static_assert(kLanguageAt + kLanguageSize == SavedState::kFileSize);

// The record interval field takes at most 9 digits.
constexpr std::int32_t kMaxRecordInterval = 999999999;

// Plausible ranges of the monitor's values; the live samples are clamped to them.
struct ValueRange {
  double low, high;
};
constexpr ValueRange kTemperatureRange{-50.0, 100.0};
constexpr ValueRange kPressureRange{0.0, 1200.0};
constexpr ValueRange kThirdChannelRange{0.0, 1200.0};

// --- little-endian access; every read checks that the field lies inside the file ---

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  bool has(std::size_t at, std::size_t size) const { return at + size <= bytes_.size(); }
  std::uint8_t byte(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }
  std::uint32_t u32(std::size_t at) const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | byte(at + i);
    return value;
  }
  std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
  double f64(std::size_t at) const {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | byte(at + i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // A length-prefixed text of at most capacity bytes; nullopt when the length byte is larger.
  std::optional<std::string> shortString(std::size_t at, std::size_t capacity) const {
    const std::size_t length = byte(at);
    if (length > capacity) return std::nullopt;
    return bytes_.substr(at + 1, length);
  }
  std::string_view view(std::size_t at, std::size_t length) const {
    return std::string_view(bytes_).substr(at, length);
  }

 private:
  const std::string& bytes_;
};

void putU32(std::string& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
void putI32(std::string& out, std::size_t at, std::int32_t value) {
  putU32(out, at, static_cast<std::uint32_t>(value));
}
void putF64(std::string& out, std::size_t at, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) out[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}
// Length byte and text; the text is cut at a character boundary to fit, the rest stays zero.
void putShortString(std::string& out, std::size_t at, std::size_t capacity, const std::string& text) {
  const std::string fitted = utf8PrefixBytes(text, capacity);
  out[at] = static_cast<char>(fitted.size());
  fitted.copy(out.data() + at + 1, fitted.size());
}

// --- field checks ---

std::optional<double> parseNumber(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  if (begin < end && text[begin] == '+') ++begin;
  double value = 0;
  const auto [rest, error] = std::from_chars(text.data() + begin, text.data() + end, value);
  if (error != std::errc() || rest != text.data() + end || begin == end) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

bool isPrintableAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

double cleanHistoryValue(double value, ValueRange range) {
  if (!std::isfinite(value)) return 0.0;
  return std::clamp(value, range.low, range.high);
}

class Decoder {
 public:
  explicit Decoder(const std::string& bytes) : in_(bytes) {}

  SavedStateLoad run() {
    SavedStateLoad result;
    result.fileFound = true;
    SavedState& s = result.state;
    defaulted_ = &result.defaultedFields;

    if (in_.has(kWindowAt, 16)) {
      s.window = WindowGeometry{in_.i32(kWindowAt), in_.i32(kWindowAt + 4), in_.i32(kWindowAt + 8),
                                in_.i32(kWindowAt + 12)};
    } else {
      reject("window");
    }
    if (in_.has(kReservedAt, 1))
      s.reservedFlag = in_.byte(kReservedAt);
    else
      reject("reservedFlag");

    readNumber(kDensityAt, "density", s.density, /*mustBePositive=*/true);
    readNumber(kGravityAt, "gravity", s.gravity, /*mustBePositive=*/true);
    readNumber(kOffsetAt, "pressureOffset", s.pressureOffset, /*mustBePositive=*/false);
    readDecimals(kTemperatureDecimalsAt, "temperatureDecimals", s.temperatureDecimals);
    readDecimals(kPressureDecimalsAt, "pressureDecimals", s.pressureDecimals);

    if (!in_.has(kRecordIntervalAt, 4)) {
      reject("recordIntervalSeconds");
    } else if (const std::int32_t interval = in_.i32(kRecordIntervalAt);
               interval >= 0 && interval <= kMaxRecordInterval) {
      s.recordIntervalSeconds = interval;
    } else {
      reject("recordIntervalSeconds");
    }

    if (!in_.has(kWriteIndexAt, 4)) {
      reject("history.writeIndex");
    } else if (const std::int32_t index = in_.i32(kWriteIndexAt);
               index >= 0 && index < static_cast<std::int32_t>(MonitorHistory::kSlots)) {
      s.history.writeIndex = index;
    } else {
      reject("history.writeIndex");
    }

    readHistoryArray(0, "history.temperature", s.history.temperature, kTemperatureRange);
    readHistoryArray(1, "history.pressure", s.history.pressure, kPressureRange);
    readHistoryArray(2, "history.thirdChannel", s.history.thirdChannel, kThirdChannelRange);
    readHistoryArray(3, "history.internalTemperature", s.history.internalTemperature, kTemperatureRange);
    readStamps(s.history);

    readLanguageName(s.languageName);
    return result;
  }

 private:
  void reject(const char* field) { defaulted_->push_back(field); }

  void readNumber(std::size_t at, const char* field, double& value, bool mustBePositive) {
    if (!in_.has(at, kNumberTextSize)) return reject(field);
    const auto text = in_.shortString(at, kNumberTextSize - 1);
    const auto number = text ? parseNumber(*text) : std::nullopt;
    if (!number || (mustBePositive && *number <= 0.0)) return reject(field);
    value = *number;
  }

  void readDecimals(std::size_t at, const char* field, int& decimals) {
    if (!in_.has(at, 4)) return reject(field);
    decimals = decimalsFromCode(in_.i32(at));
  }

  // Values are read slot by slot, so a file cut inside an array keeps the slots it still holds.
  void readHistoryArray(int array, const char* field, std::vector<double>& values, ValueRange range) {
    const std::size_t at = kHistoryAt + static_cast<std::size_t>(array) * kHistoryArrayBytes;
    bool damaged = false;
    for (std::size_t slot = 0; slot < MonitorHistory::kSlots; ++slot) {
      const std::size_t valueAt = at + slot * 8;
      if (!in_.has(valueAt, 8)) {
        damaged = true;
        break;
      }
      const double raw = in_.f64(valueAt);
      values[slot] = cleanHistoryValue(raw, range);
      if (!(values[slot] == raw)) damaged = true;  // NaN, infinity or out of range
    }
    if (damaged) reject(field);
  }

  // Each time text is checked in place: its length byte within the field, printable ASCII.
  void readStamps(MonitorHistory& history) {
    bool damaged = false;
    for (std::size_t slot = 0; slot < MonitorHistory::kSlots; ++slot) {
      const std::size_t at = kStampsAt + slot * kStampSize;
      std::string_view stamp;
      if (in_.has(at, kStampSize) && in_.byte(at) <= MonitorHistory::kStampLength) {
        stamp = in_.view(at + 1, in_.byte(at));
        if (!isPrintableAscii(stamp)) stamp = {};
        if (stamp.size() != in_.byte(at)) damaged = true;
      } else {
        damaged = true;
      }
      history.setStamp(slot, stamp);
      // An empty slot holds no values, whatever the arrays said.
      if (history.isEmptySlot(slot)) {
        history.temperature[slot] = history.pressure[slot] = 0.0;
        history.thirdChannel[slot] = history.internalTemperature[slot] = 0.0;
      }
    }
    if (damaged) reject("history.stamps");
  }

  void readLanguageName(std::string& name) {
    if (!in_.has(kLanguageAt, kLanguageSize)) return reject("languageName");
    const auto stored = in_.shortString(kLanguageAt, kLanguageNameBytes);
    if (!stored) return reject("languageName");
    // Files of older installations hold the name in GBK.
    const std::string text = decodeLegacyText(*stored);
    if (!isUsableLanguageName(text)) return reject("languageName");
    name = text;
  }

  Reader in_;
  std::vector<std::string>* defaulted_ = nullptr;
};

}  // namespace

int decimalsFromCode(std::int64_t code) { return code == 1 || code == 3 ? static_cast<int>(code) : 2; }

SavedStateLoad decodeSavedState(const std::string& bytes) { return Decoder(bytes).run(); }

std::string encodeSavedState(const SavedState& state) {
  std::string out(SavedState::kFileSize, '\0');
  const WindowGeometry window = state.window.value_or(WindowGeometry{});
  putI32(out, kWindowAt, window.left);
  putI32(out, kWindowAt + 4, window.top);
  putI32(out, kWindowAt + 8, window.height);
  putI32(out, kWindowAt + 12, window.width);
  out[kReservedAt] = static_cast<char>(state.reservedFlag);
  putShortString(out, kDensityAt, kNumberTextSize - 1, formatShortest(state.density));
  putShortString(out, kGravityAt, kNumberTextSize - 1, formatShortest(state.gravity));
  putShortString(out, kOffsetAt, kNumberTextSize - 1, formatShortest(state.pressureOffset));
  putI32(out, kTemperatureDecimalsAt, decimalsFromCode(state.temperatureDecimals));
  putI32(out, kPressureDecimalsAt, decimalsFromCode(state.pressureDecimals));
  putI32(out, kRecordIntervalAt, state.recordIntervalSeconds);

  const MonitorHistory& history = state.history;
  putI32(out, kWriteIndexAt, history.writeIndex);
  const std::vector<double>* arrays[] = {&history.temperature, &history.pressure, &history.thirdChannel,
                                         &history.internalTemperature};
  for (std::size_t a = 0; a < 4; ++a) {
    const std::size_t at = kHistoryAt + a * kHistoryArrayBytes;
    const std::size_t slots = std::min(arrays[a]->size(), MonitorHistory::kSlots);
    for (std::size_t slot = 0; slot < slots; ++slot) putF64(out, at + slot * 8, (*arrays[a])[slot]);
  }
  const std::size_t stampSlots = std::min(history.stamps.size(), MonitorHistory::kSlots);
  for (std::size_t slot = 0; slot < stampSlots; ++slot) {
    const std::string_view stamp = history.stamp(slot);
    out[kStampsAt + slot * kStampSize] = static_cast<char>(stamp.size());
    stamp.copy(out.data() + kStampsAt + slot * kStampSize + 1, stamp.size());
  }
  putShortString(out, kLanguageAt, kLanguageNameBytes, state.languageName);
  return out;
}

SavedStateLoad loadSavedState(const std::string& path) {
  std::string bytes;
  if (!readWholeFile(path, bytes)) return SavedStateLoad{};
  return decodeSavedState(bytes);
}

bool saveSavedState(const std::string& path, const SavedState& state) {
  return writeFileAtomically(path, encodeSavedState(state));
}

}  // namespace ql
