// The logger's zero drift constants and battery counter as the system settings use them: read
// with their lengths, written, read back.

#include <gtest/gtest.h>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "sim/logger_model.h"

namespace ql::sim {
namespace {

constexpr std::uint32_t kRate = 9600;

Bytes joined(const Reply& reply) {
  Bytes all;
  for (const ReplyChunk& chunk : reply) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  return all;
}

Bytes ask(LoggerModel& model, const Bytes& frameWithoutCrc) {
  return joined(model.receive(AppendCrc(frameWithoutCrc), kRate));
}

float singleAt(const Bytes& reply, std::size_t at) {
  return BeFloat32(Bytes(reply.begin() + at, reply.begin() + at + 4));
}

TEST(DriftRegisters, ReadAsTheSettingsExpectThem) {
  LoggerConfig config;
  config.pressureZeroOffset = 1.5f;
  config.temperatureConstants[1] = -0.75f;
  LoggerModel model(config);

  Bytes temperature = ask(model, ql::reg::readRequest(ql::reg::kTemperatureConstants, 10));
  ASSERT_EQ(temperature.size(), 33u);
  EXPECT_EQ(singleAt(temperature, 15), -0.75f);
  EXPECT_EQ(singleAt(temperature, 11), config.temperatureConstants[0]);
  EXPECT_EQ(BeU32(temperature.data() + 27), config.pressureAdOffset);

  Bytes pressure = ask(model, ql::reg::readRequest(ql::reg::kPressureDrift, 2));
  ASSERT_EQ(pressure.size(), 17u);
  EXPECT_EQ(singleAt(pressure, 11), 1.5f);
}

TEST(DriftRegisters, WritesAreAcknowledgedAndReadBack) {
  LoggerModel model;
  Bytes write{0x01, 0x10, 0x20, 0x84, 0x00, 0x02, 0x04};
  Bytes value = FloatToBeBytes(-3.25f);
  write.insert(write.end(), value.begin(), value.end());
  EXPECT_EQ(ask(model, write).size(), 21u);  // echo and acknowledgement
  EXPECT_EQ(singleAt(ask(model, ql::reg::readRequest(ql::reg::kPressureDrift, 2)), 11), -3.25f);

  Bytes reset{0x01, 0x10, 0x20, 0x80, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00};
  ASSERT_NE(model.registers().read(ql::reg::kBatteryUsed, 2), Bytes(4, 0));
  EXPECT_FALSE(ask(model, reset).empty());
  EXPECT_EQ(model.registers().read(ql::reg::kBatteryUsed, 2), Bytes(4, 0));
}

}  // namespace
}  // namespace ql::sim
