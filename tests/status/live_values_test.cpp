#include "status/live_values.h"

#include <gtest/gtest.h>

#include <memory>

#include "link/codecs.h"
#include "link/crc.h"
#include "runtime/formats.h"

namespace ql {
namespace {

constexpr std::time_t kNoon = 1796900000;

// The data bytes of a sample: pressure, temperature, third channel, internal temperature.
Bytes dataBytes(std::int32_t pressure, std::int32_t temperature, std::int32_t third, std::int32_t internal) {
  Bytes data;
  for (std::int32_t raw : {pressure, temperature, third, internal})
    putBeU32(data, static_cast<std::uint32_t>(raw));
  return data;
}
const Bytes kData16 = dataBytes(1102500, 215000, 450000, -32500);  // 110.25 kPa, 21.5 °C, 45, -3.25 °C
const Bytes kData8(kData16.begin(), kData16.begin() + 8);
const Bytes kRequest{0x01, 0x03, 0x00, 0x01, 0x00, 0x08};

Bytes withCrc(const Bytes& frame) { return AppendCrc(frame); }

struct Ring {
  std::unique_ptr<MonitorHistory> history = std::make_unique<MonitorHistory>();
  std::time_t now = kNoon;
  LiveDisplaySettings settings;
  LiveValues live{*history, [this] { return now; }, [this] { return settings; }};
};

TEST(LiveValueReply, EachFormGivesItsDataBytes) {
  struct Case {
    const char* name;
    Bytes reply;
    Bytes data;
  };
  const Bytes echo = withCrc(kRequest);
  const Case cases[] = {
      {"8 bytes without echo", withCrc(concat({{0x01, 0x03, 0x08}, kData8})), kData8},
      {"8 bytes after the echo", concat({echo, withCrc(concat({{0x01, 0x03, 0x08}, kData8}))}), kData8},
      {"8 bytes after the echo and a stray byte",
       concat({echo, {0xAA}, withCrc(concat({{0x01, 0x03, 0x08}, kData8}))}), kData8},
      {"16 bytes without echo", withCrc(concat({{0x01, 0x03, 0x10}, kData16})), kData16},
      {"16 bytes after the echo", concat({echo, withCrc(concat({{0x01, 0x03, 0x10}, kData16}))}), kData16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(liveValueData(c.reply), c.data);
  }
}

TEST(LiveValueReply, FewerThanEightDataBytesAreIgnored) {
  const Bytes cases[] = {
      // The answer's head too close to the end of an echoed reply.
      concat({withCrc(kRequest), {0x01, 0x03, 0x08, 0x00, 0x10, 0xD2}}),
      // Shapes of no form: a 12-byte bare answer, a 16-byte answer one byte short.
      withCrc(concat({{0x01, 0x03, 0x08}, Bytes(kData8.begin(), kData8.begin() + 7)})),
      concat({withCrc(kRequest),
              withCrc(concat({{0x01, 0x03, 0x10}, Bytes(kData16.begin(), kData16.end() - 1)}))}),
  };
  for (const Bytes& reply : cases) EXPECT_FALSE(liveValueData(reply)) << hexText(reply);

  Ring ring;
  EXPECT_FALSE(ring.live.acceptReply(cases[0]));
  EXPECT_EQ(ring.history->writeIndex, 0);
  EXPECT_TRUE(ring.history->isEmptySlot(0));
  EXPECT_EQ(ring.live.sampleCount(), 0u);
}

TEST(LiveValueReply, SamplesAreDecodedAndClamped) {
  const LiveSample full = decodeLiveSample(kData16);
  EXPECT_DOUBLE_EQ(full.pressure, 110.25);
  EXPECT_DOUBLE_EQ(full.temperature, 21.5);
  EXPECT_DOUBLE_EQ(full.thirdChannel, 45.0);
  EXPECT_DOUBLE_EQ(full.internalTemperature, -3.25);

  // An 8-byte answer gives only pressure and temperature.
  const LiveSample half = decodeLiveSample(kData8);
  EXPECT_DOUBLE_EQ(half.pressure, 110.25);
  EXPECT_EQ(half.thirdChannel, 0.0);
  EXPECT_EQ(half.internalTemperature, 0.0);

  const LiveSample high = decodeLiveSample(dataBytes(12500000, 1500000, 13000000, 1000001));
  EXPECT_EQ(high.pressure, 1200.0);  // 1250 kPa
  EXPECT_EQ(high.temperature, 100.0);
  EXPECT_EQ(high.thirdChannel, 1200.0);
  EXPECT_EQ(high.internalTemperature, 100.0);
  const LiveSample low = decodeLiveSample(dataBytes(-1, -600000, -5, -500001));
  EXPECT_EQ(low.pressure, 0.0);
  EXPECT_EQ(low.temperature, -50.0);
  EXPECT_EQ(low.thirdChannel, 0.0);
  EXPECT_EQ(low.internalTemperature, -50.0);
}

TEST(LiveValues, FieldTextsFollowThePrecisionsAndTheThirdFieldChoice) {
  struct Case {
    const char* name;
    int temperatureDecimals, pressureDecimals, thirdField;
    const char *temperature, *pressure, *third;
  };
  const Case cases[] = {
      {"defaults", 2, 2, 1, "21.50", "110.25", "45.00"},
      {"third channel with the temperature precision", 3, 1, 1, "21.500", "110.3", "45.000"},
      {"internal temperature", 1, 2, 3, "21.5", "110.25", "-3.250"},
      {"water height of the pressure shown", 2, 2, 2, "21.50", "110.25", "1.02"},
      // 110.3 kPa shown: (110.3 - 100) / 1.025 / 9.8 = 1.0254, not 1.0204 of the exact value.
      {"water height of the rounded pressure", 2, 1, 2, "21.50", "110.3", "1.03"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ring ring;
    ring.settings = {c.temperatureDecimals, c.pressureDecimals, c.thirdField,
                     DepthParameters{1.025, 9.8, -100}};
    ASSERT_TRUE(ring.live.acceptReply(withCrc(concat({{0x01, 0x03, 0x10}, kData16}))));
    EXPECT_EQ(ring.live.temperatureText(), c.temperature);
    EXPECT_EQ(ring.live.pressureText(), c.pressure);
    EXPECT_EQ(ring.live.thirdText(), c.third);
    // The monitor shows the third channel itself, and the internal temperature with "0.00".
    const std::array<std::string, 4>& monitor = ring.live.monitorTexts();
    EXPECT_EQ(monitor[0], c.temperature);
    EXPECT_EQ(monitor[1], c.pressure);
    EXPECT_EQ(monitor[2], formatWithDecimals(45.0, c.temperatureDecimals));
    EXPECT_EQ(monitor[3], "-3.25");
  }
}

TEST(LiveValues, StoringFillsTheSlotWithTheLocalTimeAndWrapsAfterTheLastSlot) {
  Ring ring;
  int notifications = 0;
  ring.live.subscribe([&] { ++notifications; });
  for (int i = 0; i < 99999; ++i) ring.live.storeInRing(LiveSample{});
  EXPECT_EQ(ring.history->writeIndex, 99999);

  ring.now = kNoon + 3600;
  ring.live.store(LiveSample{20.0, 101.0, 3.0, 19.5});  // the 100000th sample
  EXPECT_EQ(ring.history->writeIndex, 0);
  EXPECT_EQ(ring.history->stamp(99999), formatDateTime(localDateTime(kNoon + 3600)));
  EXPECT_EQ(ring.history->pressure[99999], 101.0);
  EXPECT_EQ(ring.history->internalTemperature[99999], 19.5);

  ring.now = kNoon + 3601;
  ring.live.store(LiveSample{20.5, 102.0, 3.0, 19.5});
  EXPECT_EQ(ring.history->writeIndex, 1);
  EXPECT_EQ(ring.history->stamp(0), formatDateTime(localDateTime(kNoon + 3601)));
  EXPECT_EQ(ring.history->temperature[0], 20.5);
  EXPECT_EQ(ring.live.sampleCount(), 100001u);
  EXPECT_EQ(notifications, 2);  // the plain ring stores tell no one
}

TEST(LiveValues, PollIsDueOnlyWhenEveryConditionHolds) {
  const LivePollConditions due{true, true, true, false, false};
  EXPECT_TRUE(livePollDue(due));
  auto changed = [&](auto field, bool value) {
    LivePollConditions c = due;
    c.*field = value;
    return livePollDue(c);
  };
  EXPECT_FALSE(changed(&LivePollConditions::connected, false));
  EXPECT_FALSE(changed(&LivePollConditions::liveDisplayOn, false));
  EXPECT_FALSE(changed(&LivePollConditions::downloadPageShown, false));
  EXPECT_FALSE(changed(&LivePollConditions::downloadRunning, true));
  EXPECT_FALSE(changed(&LivePollConditions::infoPollAtFileList, true));
  EXPECT_EQ(liveValueRequest(), withCrc(kRequest));
}

}  // namespace
}  // namespace ql
