#include "sim/live_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "link/codecs.h"
#include "link/crc.h"
#include "sim/logger_model.h"

namespace ql::sim {
namespace {

constexpr std::uint32_t kRate = 9600;
constexpr std::time_t kNoon = 1796904000;  // 2026-12-10 12:00:00 UTC

Bytes frame(const char* hex) { return AppendCrc(bytesFromHex(hex)); }

Bytes joined(const Reply& reply) {
  Bytes all;
  for (const ReplyChunk& chunk : reply) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  return all;
}

double kpa(std::int32_t raw) { return raw / kLiveValueScale; }

TEST(LiveValues, EncodeAsSignedBigEndianInTenThousandths) {
  LiveValues values{1102500, 152500, 500000, -12345};
  EXPECT_EQ(liveValueBytes(values), bytesFromHex("00 10 D2 A4  00 02 53 B4  00 07 A1 20  FF FF CF C7"));
}

// Over a day: a semidiurnal tide of about 5 kPa around 110 kPa that repeats after 12.42 h, water
// drifting around 15 C, conductivity near 50 mS/cm, the housing a little warmer than the water,
// and no jumps from one second to the next.
TEST(LiveValues, MoveLikeATideAndStayPlausible) {
  double pMin = 1e9, pMax = -1e9, tMin = 1e9, tMax = -1e9;
  for (std::time_t t = kNoon; t < kNoon + 25 * 3600; t += 60) {
    SCOPED_TRACE(t);
    const LiveValues v = liveValuesAt(t);
    EXPECT_EQ(v, liveValuesAt(t));
    pMin = std::min(pMin, kpa(v.pressure));
    pMax = std::max(pMax, kpa(v.pressure));
    tMin = std::min(tMin, kpa(v.temperature));
    tMax = std::max(tMax, kpa(v.temperature));
    EXPECT_NEAR(kpa(v.conductivity), 50.0, 1.0);
    EXPECT_GT(kpa(v.internalTemperature) - kpa(v.temperature), 0.3);
    EXPECT_LT(kpa(v.internalTemperature) - kpa(v.temperature), 1.3);

    const LiveValues next = liveValuesAt(t + 1);
    EXPECT_NEAR(kpa(next.pressure), kpa(v.pressure), 0.05);
    EXPECT_NEAR(kpa(next.temperature), kpa(v.temperature), 0.01);
    const LiveValues tideLater = liveValuesAt(t + static_cast<std::time_t>(kTidePeriodSeconds));
    EXPECT_NEAR(kpa(tideLater.pressure), kpa(v.pressure), 0.05);
  }
  EXPECT_GT(pMin, 107.0);
  EXPECT_LT(pMax, 113.0);
  EXPECT_NEAR(pMax - pMin, 5.0, 0.3);
  EXPECT_GT(tMin, 13.5);
  EXPECT_LT(tMax, 16.5);
  EXPECT_GT(tMax - tMin, 0.7);
}

// The read of 01 03 00 01 00 08 in every form the program accepts, at one moment.
TEST(LiveValues, EachReplyFormCarriesTheValuesOfTheMoment) {
  const Bytes request = frame("01 03 00 01 00 08");
  const Bytes all = liveValueBytes(liveValuesAt(kNoon));
  const Bytes eight(all.begin(), all.begin() + 8);
  struct Case {
    LiveReplyForm form;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {LiveReplyForm::EchoSixteen, concat({request, AppendCrc(concat({bytesFromHex("01 03 10"), all}))})},
      {LiveReplyForm::BareSixteen, AppendCrc(concat({bytesFromHex("01 03 10"), all}))},
      {LiveReplyForm::EchoEight, concat({request, AppendCrc(concat({bytesFromHex("01 03 08"), eight}))})},
      {LiveReplyForm::BareEight, AppendCrc(concat({bytesFromHex("01 03 08"), eight}))},
      {LiveReplyForm::EchoNoiseEight,
       concat({request, bytesFromHex("FF FF"), AppendCrc(concat({bytesFromHex("01 03 08"), eight}))})},
  };
  const std::vector<std::size_t> sizes = {29, 21, 21, 13, 23};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    LoggerConfig config;
    config.liveReplyForm = cases[i].form;
    // The water does not care about the logger's clock.
    config.clockOffsetSeconds = 3600;
    LoggerModel model(config, [] { return kNoon; });
    Reply reply = model.receive(request, kRate);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].bytes, cases[i].expected);
    EXPECT_EQ(reply[0].bytes.size(), sizes[i]);
  }
  // The pressure of the moment, as the program takes it from the usual form.
  LoggerModel model({}, [] { return kNoon; });
  Bytes reply = joined(model.receive(request, kRate));
  EXPECT_NEAR(static_cast<std::int32_t>(BeU32(reply.data() + 11)) / kLiveValueScale, 110.0, 3.0);

  // A shorter read takes the leading registers in the plain form.
  Bytes two = joined(model.receive(frame("01 03 00 01 00 02"), kRate));
  EXPECT_EQ(Bytes(two.begin() + 8, two.end()),
            AppendCrc(concat({bytesFromHex("01 03 04"), Bytes(all.begin(), all.begin() + 4)})));
}

}  // namespace
}  // namespace ql::sim
