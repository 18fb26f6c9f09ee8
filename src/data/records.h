#pragma once
// The logger's 16-byte sample record and the texts its fields are shown as.
//
//   offset  size  field         decoding (multi-byte values big-endian)
//   0       6     stamp         packed BCD: year (2000 + value), month, day, hour, minute, second
//   6       3     temperature   24-bit raw / 10000, degrees Celsius
//   9       3     pressure      unsigned 24-bit / 10000, kPa
//   12      3     conductivity  unsigned 24-bit / 10000, mS/cm
//   15      1     battery       (value + 300) / 100, volts; 0 means no reading
//
// The writers below append to a caller's character buffer and return the new end: the exports run
// them for millions of records, so they avoid streams and allocations.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ql {

struct Record {
  static constexpr std::size_t kSize = 16;

  std::array<std::uint8_t, 6> stamp{};
  std::uint32_t temperatureRaw = 0;
  std::uint32_t pressureRaw = 0;
  std::uint32_t conductivityRaw = 0;
  std::uint8_t battery = 0;

  // The temperature as the data page reads it: a raw value above 0x400000 is negative
  // (raw - 0x1000000). The download export reads the raw value unsigned instead.
  std::int32_t signedTemperatureRaw() const;
  double temperature() const { return signedTemperatureRaw() / 10000.0; }
  double pressure() const { return pressureRaw / 10000.0; }
  double conductivity() const { return conductivityRaw / 10000.0; }
  double batteryVolts() const { return (battery + 300) / 100.0; }
};

// Decodes the 16 bytes at p.
Record decodeRecord(const std::uint8_t* p);

// Decimals of a temperature or pressure precision setting: 1 and 3 stand for themselves, any
// other value gives 2.
int valueDecimals(int setting);

// Longest text one writer below produces, with room to spare.
inline constexpr std::size_t kMaxFieldText = 40;

// "20" YY "-" MM "-" DD " " hh ":" mm ":" ss with each byte's two BCD digits as stored (a nibble
// above 9 prints as two digits, like BcdDigits): the data page and its export.
char* writeStampDigits(char* out, const std::uint8_t* stamp);
// The same layout with each byte read by BcdToInt and written by TwoDigits: the download export.
char* writeStampValues(char* out, const std::uint8_t* stamp);
// raw / 10000 with 0..4 decimals, rounded half away from zero; a negative value that rounds to
// zero prints without "-". Same texts as formatFixed(raw / 10000.0, decimals).
char* writeTenThousandths(char* out, std::int64_t raw, int decimals);
// (byte + 300) / 100 with two decimals.
char* writeBatteryVolts(char* out, std::uint8_t battery);

// Convenience forms returning a string (tests, the window; not for loops over whole files).
std::string stampDigitsText(const std::uint8_t* stamp);
std::string tenThousandthsText(std::int64_t raw, int decimals);

}  // namespace ql
