#include "data/records.h"

#include <charconv>
#include <cstdlib>

namespace ql {

namespace {

constexpr std::int64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000};

std::uint32_t beU24(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

char* writeUnsigned(char* out, std::uint64_t value) {
  return std::to_chars(out, out + 24, value).ptr;
}

char* writeTwoDigits(char* out, int value) {
  if (value < 10) *out++ = '0';
  return writeUnsigned(out, static_cast<std::uint64_t>(value));
}

template <typename WriteByte>
char* writeStamp(char* out, const std::uint8_t* stamp, WriteByte writeByte) {
  static constexpr char kSeparators[] = {'-', '-', ' ', ':', ':'};
  *out++ = '2';
  *out++ = '0';
  for (int i = 0; i < 6; ++i) {
    if (i > 0) *out++ = kSeparators[i - 1];
    out = writeByte(out, stamp[i]);
  }
  return out;
}

}  // namespace

std::int32_t Record::signedTemperatureRaw() const {
  const auto raw = static_cast<std::int32_t>(temperatureRaw);
  return temperatureRaw > 0x400000 ? raw - 0x1000000 : raw;
}

Record decodeRecord(const std::uint8_t* p) {
  Record r;
  for (int i = 0; i < 6; ++i) r.stamp[i] = p[i];
  r.temperatureRaw = beU24(p + 6);
  r.pressureRaw = beU24(p + 9);
  r.conductivityRaw = beU24(p + 12);
  r.battery = p[15];
  return r;
}

int valueDecimals(int setting) { return setting == 1 || setting == 3 ? setting : 2; }

char* writeStampDigits(char* out, const std::uint8_t* stamp) {
  return writeStamp(out, stamp, [](char* o, std::uint8_t b) {
    o = writeUnsigned(o, b >> 4);
    return writeUnsigned(o, b & 0x0F);
  });
}

char* writeStampValues(char* out, const std::uint8_t* stamp) {
  return writeStamp(out, stamp, [](char* o, std::uint8_t b) { return writeTwoDigits(o, (b >> 4) * 10 + (b & 0x0F)); });
}

char* writeTenThousandths(char* out, std::int64_t raw, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 4) decimals = 4;
  const std::int64_t divisor = kPowersOfTen[4 - decimals];
  const std::uint64_t magnitude = static_cast<std::uint64_t>(raw < 0 ? -raw : raw);
  std::uint64_t scaled = magnitude / divisor;
  if ((magnitude % divisor) * 2 >= static_cast<std::uint64_t>(divisor)) ++scaled;  // half away from zero
  if (raw < 0 && scaled != 0) *out++ = '-';
  const auto unit = static_cast<std::uint64_t>(kPowersOfTen[decimals]);
  out = writeUnsigned(out, scaled / unit);
  if (decimals > 0) {
    *out++ = '.';
    std::uint64_t fraction = scaled % unit;
    for (int i = decimals - 1; i >= 0; --i) {
      out[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    out += decimals;
  }
  return out;
}

char* writeBatteryVolts(char* out, std::uint8_t battery) { return writeTenThousandths(out, (battery + 300) * 100, 2); }

std::string stampDigitsText(const std::uint8_t* stamp) {
  char text[kMaxFieldText];
  return std::string(text, writeStampDigits(text, stamp));
}

std::string tenThousandthsText(std::int64_t raw, int decimals) {
  char text[kMaxFieldText];
  return std::string(text, writeTenThousandths(text, raw, decimals));
}

}  // namespace ql
