#include "sim/pressure_reference.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>
#include <vector>

namespace ql::sim {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// A keyword written as "OUTPut" matches its long form OUTPUT and its short form OUTP (the
// capitals), in any case.
bool keywordMatches(std::string_view word, std::string_view keyword) {
  std::size_t shortLength = 0;
  while (shortLength < keyword.size() && std::isupper(static_cast<unsigned char>(keyword[shortLength])))
    ++shortLength;
  return equalIgnoringCase(word, keyword) || equalIgnoringCase(word, keyword.substr(0, shortLength));
}

std::vector<std::string_view> headerWords(std::string_view header) {
  if (!header.empty() && header.front() == ':') header.remove_prefix(1);
  std::vector<std::string_view> words;
  while (true) {
    std::size_t colon = header.find(':');
    words.push_back(header.substr(0, colon));
    if (colon == std::string_view::npos) break;
    header.remove_prefix(colon + 1);
  }
  return words;
}

std::optional<double> parseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<bool> parseState(std::string_view text) {
  if (equalIgnoringCase(text, "ON") || text == "1") return true;
  if (equalIgnoringCase(text, "OFF") || text == "0") return false;
  return std::nullopt;
}

std::int64_t steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

PressureReference::PressureReference(MillisecondClock clock)
    : clock_(clock ? std::move(clock) : MillisecondClock(steadyMs)) {
  settledAtMs_ = clock_();
}

void PressureReference::receive(const Bytes& bytes) {
  receive(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void PressureReference::receive(std::string_view text) {
  std::lock_guard lock(mutex_);
  for (char c : text) {
    if (c == '\n') {
      if (!discarding_) execute(pending_);
      pending_.clear();
      discarding_ = false;
      continue;
    }
    if (discarding_) continue;
    if (pending_.size() >= kMaxLineLength) {
      pending_.clear();
      discarding_ = true;
      continue;
    }
    pending_.push_back(c);
  }
}

void PressureReference::execute(std::string_view line) {
  line = trimmed(line);  // also the CR of CR LF
  std::size_t gap = line.find_first_of(" \t");
  std::string_view header = line.substr(0, gap);
  std::string_view argument = gap == std::string_view::npos ? std::string_view() : trimmed(line.substr(gap));
  std::vector<std::string_view> words = headerWords(header);

  if (words.size() == 2 && keywordMatches(words[0], "OUTPut") && keywordMatches(words[1], "STATe")) {
    std::optional<bool> on = parseState(argument);
    if (!on) return;
    settle();  // the pressure so far followed the old goal
    outputOn_ = *on;
  } else if (words.size() == 1 && keywordMatches(words[0], "SOURce")) {
    std::optional<double> kPa = parseNumber(argument);
    if (!kPa) return;
    settle();
    setPointKpa_ = *kPa;
  }
}

void PressureReference::settle() const {
  std::int64_t now = clock_();
  if (now <= settledAtMs_) return;
  double goal = outputOn_ ? setPointKpa_ : kAmbientKpa;
  double elapsed = static_cast<double>(now - settledAtMs_);
  pressureKpa_ = goal + (pressureKpa_ - goal) * std::exp(-elapsed / kSettlingMs);
  settledAtMs_ = now;
}

bool PressureReference::outputOn() const {
  std::lock_guard lock(mutex_);
  return outputOn_;
}

double PressureReference::setPointKpa() const {
  std::lock_guard lock(mutex_);
  return setPointKpa_;
}

double PressureReference::outputPressureKpa() const {
  std::lock_guard lock(mutex_);
  settle();
  return pressureKpa_;
}

}  // namespace ql::sim
