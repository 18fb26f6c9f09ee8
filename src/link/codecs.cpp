#include "link/codecs.h"

#include <bit>
#include <cmath>

namespace ql {

std::uint32_t BeStrU32(const Bytes& data) { return data.size() < 4 ? 0 : BeU32(data.data()); }

std::uint64_t BeU48(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 6; ++i) v = v << 8 | p[i];
  return v;
}

float BeFloat32(const Bytes& data) {
  if (data.size() != 4) return 0;
  std::uint32_t raw = BeU32(data.data());
  if (raw == 0xFFFFFFFFu) return 0;
  float f = std::bit_cast<float>(raw);
  return std::isnan(f) ? 0.0f : f;
}

double BeFloat64(const Bytes& data) {
  if (data.size() != 8) return 0;
  std::uint64_t raw = 0;
  for (std::uint8_t b : data) raw = raw << 8 | b;
  return std::bit_cast<double>(raw);
}

Bytes FloatToBeBytes(float value) {
  Bytes out;
  putBeU32(out, std::bit_cast<std::uint32_t>(value));
  return out;
}

void putBeU16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

void putBeU32(Bytes& out, std::uint32_t value) {
  putBeU16(out, static_cast<std::uint16_t>(value >> 16));
  putBeU16(out, static_cast<std::uint16_t>(value));
}

std::string BcdDigits(int n) { return std::to_string(n / 16) + std::to_string(n % 16); }

std::string TwoDigits(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

std::string FixedDigits(long long n, int w) {
  std::string s = std::to_string(n);
  if (static_cast<int>(s.size()) > w) s = s.substr(s.size() - w);
  while (static_cast<int>(s.size()) < w) s.insert(s.begin(), '0');
  return s;
}

}  // namespace ql
