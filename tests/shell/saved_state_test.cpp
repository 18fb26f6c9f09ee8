#include "shell/saved_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>

#include "runtime/atomic_file.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

// Offsets of the file layout that the tests poke at.
constexpr std::size_t kDensityAt = 17, kGravityAt = 68, kOffsetAt = 119;
constexpr std::size_t kTemperatureDecimalsAt = 170, kPressureDecimalsAt = 174;
constexpr std::size_t kRecordIntervalAt = 178, kWriteIndexAt = 182;
constexpr std::size_t kPressureArrayAt = 186 + 800000;
constexpr std::size_t kStampsAt = 3200186, kLanguageAt = 5300186;

SavedState sampleState() {
  SavedState s;
  s.window = WindowGeometry{120, -24, 700, 1024};
  s.reservedFlag = 0x5A;
  s.density = 1.03;
  s.gravity = 9.81;
  s.pressureOffset = -101.325;
  s.temperatureDecimals = 3;
  s.pressureDecimals = 1;
  s.recordIntervalSeconds = 3600;
  s.history.writeIndex = 99999;
  for (std::size_t slot : {std::size_t{0}, std::size_t{4711}, MonitorHistory::kSlots - 1}) {
    s.history.temperature[slot] = 21.5 + static_cast<double>(slot) * 1e-4;
    s.history.pressure[slot] = 110.25;
    s.history.thirdChannel[slot] = 45.0;
    s.history.internalTemperature[slot] = -3.25;
    s.history.setStamp(slot, "2026-12-10 04:05:06");
  }
  s.languageName = "english";
  return s;
}

void expectSameState(const SavedState& a, const SavedState& b) {
  EXPECT_EQ(a.window, b.window);
  EXPECT_EQ(a.reservedFlag, b.reservedFlag);
  EXPECT_EQ(a.density, b.density);
  EXPECT_EQ(a.gravity, b.gravity);
  EXPECT_EQ(a.pressureOffset, b.pressureOffset);
  EXPECT_EQ(a.temperatureDecimals, b.temperatureDecimals);
  EXPECT_EQ(a.pressureDecimals, b.pressureDecimals);
  EXPECT_EQ(a.recordIntervalSeconds, b.recordIntervalSeconds);
  EXPECT_EQ(a.history.writeIndex, b.history.writeIndex);
  EXPECT_EQ(a.history.temperature, b.history.temperature);
  EXPECT_EQ(a.history.pressure, b.history.pressure);
  EXPECT_EQ(a.history.thirdChannel, b.history.thirdChannel);
  EXPECT_EQ(a.history.internalTemperature, b.history.internalTemperature);
  EXPECT_EQ(a.history.stamps, b.history.stamps);
  EXPECT_EQ(a.languageName, b.languageName);
}

void putShortString(std::string& bytes, std::size_t at, const std::string& text) {
  bytes[at] = static_cast<char>(text.size());
  text.copy(bytes.data() + at + 1, text.size());
}
void putI32(std::string& bytes, std::size_t at, std::int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
}
void putF64(std::string& bytes, std::size_t at, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

TEST(SavedState, RoundTripThroughTheFileKeepsEveryFieldAndTheExactLength) {
  test::TempDir dir;
  const std::string path = dir.file("sysuse.d");
  const SavedState original = sampleState();
  ASSERT_TRUE(saveSavedState(path, original));

  EXPECT_EQ(fs::file_size(path), 5300287u);
  const SavedStateLoad loaded = loadSavedState(path);
  EXPECT_TRUE(loaded.fileFound);
  EXPECT_TRUE(loaded.defaultedFields.empty());
  expectSameState(loaded.state, original);

  // Fields sit where older installations put them: little-endian, length-prefixed texts.
  std::string bytes;
  ASSERT_TRUE(readWholeFile(path, bytes));
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x78\x00\x00\x00", 4));  // Left 120
  EXPECT_EQ(bytes.substr(4, 4), std::string("\xE8\xFF\xFF\xFF", 4));  // Top -24
  EXPECT_EQ(bytes.substr(kDensityAt, 5), std::string("\x04"
                                                     "1.03"));
  EXPECT_EQ(bytes.substr(kOffsetAt, 9), std::string("\x08"
                                                    "-101.325"));
  EXPECT_EQ(bytes.substr(kStampsAt, 20), std::string("\x13"
                                                     "2026-12-10 04:05:06"));
  EXPECT_EQ(bytes.substr(kLanguageAt, 8), std::string("\x07"
                                                      "english"));
}

TEST(SavedState, SavingReplacesTheFileWholeAndLeavesNoTemporaryFiles) {
  test::TempDir dir;
  const std::string path = dir.file("sysuse.d");
  dir.write("sysuse.d", std::string(6000000, 'x'));  // longer than the layout: must not survive
  ASSERT_TRUE(saveSavedState(path, sampleState()));
  EXPECT_EQ(fs::file_size(path), 5300287u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  // A target that cannot be replaced (a directory) fails without leaving debris behind.
  fs::create_directory(dir.file("blocked"));
  EXPECT_FALSE(saveSavedState(dir.file("blocked"), sampleState()));
  EXPECT_TRUE(fs::is_directory(dir.file("blocked")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  EXPECT_FALSE(saveSavedState(dir.file("missing/sysuse.d"), sampleState()));
}

TEST(SavedState, MissingFileGivesTheDefaults) {
  test::TempDir dir;
  const SavedStateLoad loaded = loadSavedState(dir.file("sysuse.d"));
  EXPECT_FALSE(loaded.fileFound);
  EXPECT_FALSE(loaded.state.window.has_value());
  EXPECT_EQ(loaded.state.density, 1.025);
  EXPECT_EQ(loaded.state.gravity, 9.8);
  EXPECT_EQ(loaded.state.pressureOffset, -100.0);
  EXPECT_EQ(loaded.state.temperatureDecimals, 2);
  EXPECT_EQ(loaded.state.recordIntervalSeconds, 60);  // the task page's "60"
  EXPECT_EQ(loaded.state.languageName, "chinese");
}

// A short file keeps what it holds and leaves the rest at the defaults, field by field.
TEST(SavedState, ShortFileKeepsTheFieldsItHolds) {
  const std::string whole = encodeSavedState(sampleState());
  struct Case {
    std::size_t length;
    bool hasWindow;
    double density;
    int temperatureDecimals;
    double pressureAtSlot4711;
    std::string language;
  };
  const Case cases[] = {
      {0, false, 1.025, 2, 0.0, "chinese"},
      {15, false, 1.025, 2, 0.0, "chinese"},                         // cut inside the window
      {40, true, 1.025, 2, 0.0, "chinese"},                          // cut inside the density text
      {174, true, 1.03, 3, 0.0, "chinese"},                          // up to the temperature decimals
      {kPressureArrayAt + 4712 * 8, true, 1.03, 3, 0.0, "chinese"},  // pressure slot 4711 present,
      {kLanguageAt + 50, true, 1.03, 3, 110.25, "chinese"},          // but its time text is not
      {5300286, true, 1.03, 3, 110.25, "chinese"},                   // one byte short
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const SavedStateLoad loaded = decodeSavedState(whole.substr(0, c.length));
    EXPECT_EQ(loaded.state.window.has_value(), c.hasWindow);
    EXPECT_EQ(loaded.state.density, c.density);
    EXPECT_EQ(loaded.state.temperatureDecimals, c.temperatureDecimals);
    EXPECT_EQ(loaded.state.history.pressure[4711], c.pressureAtSlot4711);
    EXPECT_EQ(loaded.state.languageName, c.language);
    EXPECT_FALSE(loaded.defaultedFields.empty());
  }
}

// Each damaged field falls back to its default alone; every other field is still read.
TEST(SavedState, DamagedFieldsFallBackOneByOne) {
  using Patch = std::function<void(std::string&)>;
  struct Case {
    const char* name;
    Patch patch;
    std::function<void(const SavedState&)> check;
    const char* defaultedField;  // nullptr: the value is legal and read as it stands
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"density length beyond its field", [](std::string& b) { b[kDensityAt] = char(200); },
       [](const SavedState& s) { EXPECT_EQ(s.density, 1.025); }, "density"},
      {"density not a number", [](std::string& b) { putShortString(b, kDensityAt, "1,025"); },
       [](const SavedState& s) { EXPECT_EQ(s.density, 1.025); }, "density"},
      {"density zero", [](std::string& b) { putShortString(b, kDensityAt, "0"); },
       [](const SavedState& s) { EXPECT_EQ(s.density, 1.025); }, "density"},
      {"gravity infinite", [](std::string& b) { putShortString(b, kGravityAt, "inf"); },
       [](const SavedState& s) { EXPECT_EQ(s.gravity, 9.8); }, "gravity"},
      {"gravity overflowing", [](std::string& b) { putShortString(b, kGravityAt, "1e999"); },
       [](const SavedState& s) { EXPECT_EQ(s.gravity, 9.8); }, "gravity"},
      {"offset NaN", [](std::string& b) { putShortString(b, kOffsetAt, "nan"); },
       [](const SavedState& s) { EXPECT_EQ(s.pressureOffset, -100.0); }, "pressureOffset"},
      {"offset empty", [](std::string& b) { putShortString(b, kOffsetAt, ""); },
       [](const SavedState& s) { EXPECT_EQ(s.pressureOffset, -100.0); }, "pressureOffset"},
      {"offset in exponent form", [](std::string& b) { putShortString(b, kOffsetAt, "-1.5E2"); },
       [](const SavedState& s) { EXPECT_EQ(s.pressureOffset, -150.0); }, nullptr},
      {"decimals code 7 means two", [](std::string& b) { putI32(b, kTemperatureDecimalsAt, 7); },
       [](const SavedState& s) { EXPECT_EQ(s.temperatureDecimals, 2); }, nullptr},
      {"decimals code -1 means two", [](std::string& b) { putI32(b, kPressureDecimalsAt, -1); },
       [](const SavedState& s) { EXPECT_EQ(s.pressureDecimals, 2); }, nullptr},
      {"negative record interval", [](std::string& b) { putI32(b, kRecordIntervalAt, -5); },
       [](const SavedState& s) { EXPECT_EQ(s.recordIntervalSeconds, 60); }, "recordIntervalSeconds"},
      {"write index past the ring", [](std::string& b) { putI32(b, kWriteIndexAt, 100000); },
       [](const SavedState& s) { EXPECT_EQ(s.history.writeIndex, 0); }, "history.writeIndex"},
      {"NaN in the history", [&](std::string& b) { putF64(b, kPressureArrayAt + 4711 * 8, nan); },
       [](const SavedState& s) { EXPECT_EQ(s.history.pressure[4711], 0.0); }, "history.pressure"},
      {"infinity in the history", [&](std::string& b) { putF64(b, 186 + 4711 * 8, -inf); },
       [](const SavedState& s) { EXPECT_EQ(s.history.temperature[4711], 0.0); }, "history.temperature"},
      {"history value out of range", [](std::string& b) { putF64(b, kPressureArrayAt, 5000.0); },
       [](const SavedState& s) { EXPECT_EQ(s.history.pressure[0], 1200.0); }, "history.pressure"},
      {"time text longer than its field", [](std::string& b) { b[kStampsAt + 4711 * 21] = char(99); },
       [](const SavedState& s) {
         EXPECT_TRUE(s.history.isEmptySlot(4711));
         EXPECT_EQ(s.history.pressure[4711], 0.0);  // an empty slot holds no values
         EXPECT_EQ(s.history.stamp(0), "2026-12-10 04:05:06");
       },
       "history.stamps"},
      {"time text with control bytes", [](std::string& b) { b[kStampsAt + 5] = '\n'; },
       [](const SavedState& s) { EXPECT_TRUE(s.history.isEmptySlot(0)); }, "history.stamps"},
      {"language name leaving the directory",
       [](std::string& b) { putShortString(b, kLanguageAt, "../../etc/passwd"); },
       [](const SavedState& s) { EXPECT_EQ(s.languageName, "chinese"); }, "languageName"},
      {"language length beyond its field", [](std::string& b) { b[kLanguageAt] = char(101); },
       [](const SavedState& s) { EXPECT_EQ(s.languageName, "chinese"); }, "languageName"},
      {"language name empty", [](std::string& b) { putShortString(b, kLanguageAt, ""); },
       [](const SavedState& s) { EXPECT_EQ(s.languageName, "chinese"); }, "languageName"},
  };
  const SavedState original = sampleState();
  const std::string whole = encodeSavedState(original);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = whole;
    c.patch(bytes);
    const SavedStateLoad loaded = decodeSavedState(bytes);
    c.check(loaded.state);
    if (c.defaultedField) {
      EXPECT_EQ(loaded.defaultedFields, std::vector<std::string>{c.defaultedField});
    } else {
      EXPECT_TRUE(loaded.defaultedFields.empty());
    }
    // Everything else is read as saved.
    EXPECT_EQ(loaded.state.window, original.window);
    EXPECT_EQ(loaded.state.reservedFlag, original.reservedFlag);
    EXPECT_EQ(loaded.state.history.stamp(MonitorHistory::kSlots - 1), "2026-12-10 04:05:06");
    EXPECT_EQ(loaded.state.history.internalTemperature[MonitorHistory::kSlots - 1], -3.25);
  }
}

// A history section overwritten with rubbish loses the history only: the settings before it and
// the language after it are still read.
TEST(SavedState, DamagedHistorySectionStillLoadsTheRest) {
  const SavedState original = sampleState();
  std::string bytes = encodeSavedState(original);
  std::fill(bytes.begin() + kWriteIndexAt, bytes.begin() + kLanguageAt, '\xFF');
  const SavedStateLoad loaded = decodeSavedState(bytes);

  EXPECT_EQ(loaded.state.window, original.window);
  EXPECT_EQ(loaded.state.density, original.density);
  EXPECT_EQ(loaded.state.recordIntervalSeconds, original.recordIntervalSeconds);
  EXPECT_EQ(loaded.state.languageName, "english");
  EXPECT_EQ(loaded.state.history.writeIndex, 0);
  for (std::size_t slot : {std::size_t{0}, std::size_t{4711}, MonitorHistory::kSlots - 1}) {
    EXPECT_TRUE(loaded.state.history.isEmptySlot(slot));
    EXPECT_EQ(loaded.state.history.pressure[slot], 0.0);
  }
  const std::vector<std::string> expected{
      "history.writeIndex",   "history.temperature",         "history.pressure",
      "history.thirdChannel", "history.internalTemperature", "history.stamps"};
  EXPECT_EQ(loaded.defaultedFields, expected);
}

TEST(SavedState, LongTextsAreCutToTheirFieldsWithoutSplittingACharacter) {
  SavedState s;
  s.languageName = std::string(99, 'x') + "语";  // 102 bytes: the last character does not fit
  s.history.setStamp(3, "2026-12-10 04:05:06 and more");
  const SavedStateLoad loaded = decodeSavedState(encodeSavedState(s));
  EXPECT_EQ(loaded.state.languageName, std::string(99, 'x'));
  EXPECT_EQ(loaded.state.history.stamp(3), "2026-12-10 04:05:06 ");
}

}  // namespace
}  // namespace ql
