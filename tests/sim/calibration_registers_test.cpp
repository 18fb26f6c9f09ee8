// The logger's calibration side as the calibration workbench uses it: the acquisition read, the
// coefficient sets, and the parameter block with its page writes, for both model families.

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "sim/logger_model.h"
#include "sim/model_family.h"

namespace ql::sim {
namespace {

constexpr std::uint32_t kRate = 9600;
constexpr std::size_t kEcho = 8;
constexpr std::size_t kAcquisitionReplySize = kEcho + 3 + 36 + 2;

Bytes joined(const Reply& reply) {
  Bytes all;
  for (const ReplyChunk& chunk : reply) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  return all;
}

Bytes writeFrame(std::uint16_t address, const Bytes& data) {
  Bytes frame{0x01, 0x10};
  putBeU16(frame, address);
  putBeU16(frame, static_cast<std::uint16_t>(data.size() / 2));
  frame.push_back(static_cast<std::uint8_t>(data.size()));
  frame.insert(frame.end(), data.begin(), data.end());
  return frame;
}

Bytes operator+(Bytes left, const Bytes& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

Bytes patterned(std::size_t size, std::uint8_t seed) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(seed + 7 * i);
  return out;
}

class CalibrationTest : public ::testing::Test {
 protected:
  void start(LoggerConfig config = {}) {
    model_ = std::make_unique<LoggerModel>(std::move(config), [this] { return now_; });
  }
  void SetUp() override { start(); }

  Bytes ask(const Bytes& frameWithoutCrc) {
    return joined(model_->receive(AppendCrc(frameWithoutCrc), kRate));
  }

  // The data bytes of a read answered with echo and a byte-count head.
  Bytes readData(std::uint16_t address, std::uint16_t count) {
    Bytes reply = ask(reg::readRequest(address, count));
    EXPECT_EQ(reply.size(), kEcho + 3 + 2u * count + 2);
    if (reply.size() != kEcho + 3 + 2u * count + 2) return {};
    return Bytes(reply.begin() + kEcho + 3, reply.end() - 2);
  }

  // Writes and checks the acknowledgement: echo, then 01 10 register count with its CRC.
  void write(std::uint16_t address, const Bytes& data) {
    Bytes frame = writeFrame(address, data);
    Bytes reply = ask(frame);
    Bytes expected = AppendCrc(frame);
    Bytes ack = AppendCrc(Bytes(frame.begin(), frame.begin() + 6));
    expected.insert(expected.end(), ack.begin(), ack.end());
    EXPECT_EQ(reply, expected) << "write to " << address;
  }

  // The nine signed values of the acquisition reply.
  std::vector<std::int32_t> acquire() {
    Bytes reply = ask(reg::readRequest(reg::kAcquisition, reg::kAcquisitionCount));
    EXPECT_EQ(reply.size(), kAcquisitionReplySize);
    std::vector<std::int32_t> values;
    if (reply.size() != kAcquisitionReplySize) return values;
    EXPECT_EQ(Bytes(reply.begin() + kEcho, reply.begin() + kEcho + 3), (Bytes{0x01, 0x03, 0x24}));
    for (std::size_t i = 0; i < 9; ++i)
      values.push_back(static_cast<std::int32_t>(BeU32(&reply[kEcho + 3 + 4 * i])));
    return values;
  }

  Bytes readBlock() {
    Bytes reply = ask(reg::readRequest(reg::kParameterBlock, reg::kParameterBlockCount));
    EXPECT_EQ(reply.size(), kEcho + 3 + 512 + 2);
    if (reply.size() != kEcho + 3 + 512 + 2) return {};
    Bytes response(reply.begin() + kEcho, reply.end());
    EXPECT_EQ(AppendCrc(Bytes(response.begin(), response.end() - 2)), response);
    EXPECT_EQ(Bytes(response.begin(), response.begin() + 3), (Bytes{0x01, 0x03, 0x00}));
    return Bytes(response.begin() + 3, response.end() - 2);
  }

  void writeBlock(const Bytes& block) {
    for (int page = 0; page < reg::kParameterPageCount; ++page) {
      auto from = block.begin() + 64 * page;
      write(static_cast<std::uint16_t>(reg::kParameterPages + page), Bytes(from, from + 64));
    }
  }

  std::time_t now_ = 1767225600;  // 2026-01-01
  std::unique_ptr<LoggerModel> model_;
};

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t size) {
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + size);
}

struct Felt {
  double pressure;
  double temperature;
};

TEST_F(CalibrationTest, AcquisitionCodesFollowTheTransferFunctions) {
  for (Felt felt : {Felt{0.0, -4.5}, Felt{101.325, 15.0}, Felt{200.0, 35.0}, Felt{1000.0, 0.0}}) {
    SCOPED_TRACE(felt.pressure);
    model_->setFeltPressure(felt.pressure);
    model_->setFeltTemperature(felt.temperature);
    for (int second = 0; second < 5; ++second) {
      ++now_;
      std::vector<std::int32_t> v = acquire();
      ASSERT_EQ(v.size(), 9u);
      double p = felt.pressure;
      double t = felt.temperature;
      EXPECT_NEAR(v[1], 8388608 + 12000 * p + 0.002 * p * p, 3.5);
      EXPECT_NEAR(v[0], 4194304 + 100000 * t + 20 * t * t, 2.5);
      EXPECT_NEAR(v[2], 4600000 + 90000 * t + 25 * t * t, 2.5);
      // The logger's own readings (0.0001 units) invert the linear part with its factory sets:
      // the uncalibrated logger is off by the square terms.
      EXPECT_NEAR(v[6] / 10000.0, (v[1] - 8388608) / 12000.0, 0.001);
      EXPECT_NEAR(v[5] / 10000.0, (v[0] - 4194304) / 100000.0, 0.001);
      EXPECT_NEAR(v[8] / 10000.0, (v[2] - 4600000) / 90000.0, 0.001);
    }
  }
}

TEST_F(CalibrationTest, NoiseIsSmallAndDependsOnlyOnTheSecond) {
  model_->setFeltPressure(50.0);
  std::vector<std::int32_t> first = acquire();
  EXPECT_EQ(acquire(), first);  // the same second answers the same codes
  std::set<std::int32_t> pressures;
  for (int second = 0; second < 40; ++second) {
    ++now_;
    pressures.insert(acquire()[1]);
  }
  EXPECT_GT(pressures.size(), 3u);
  EXPECT_GE(*pressures.begin(), 8388608 + 600000 + 5 - 3);
  EXPECT_LE(*pressures.rbegin(), 8388608 + 600000 + 5 + 3);
}

TEST_F(CalibrationTest, FeltValuesDefaultToTheLiveValues) {
  LiveValues live = model_->liveValues();
  double p = live.pressure / 10000.0;
  double t = live.temperature / 10000.0;
  std::vector<std::int32_t> v = acquire();
  EXPECT_NEAR(v[1], 8388608 + 12000 * p + 0.002 * p * p, 3.5);
  EXPECT_NEAR(v[0], 4194304 + 100000 * t + 20 * t * t, 2.5);

  model_->setFeltPressure(10.0);
  EXPECT_NEAR(acquire()[1], 8388608 + 120000 + 0.2, 3.5);
  model_->setFeltPressure(std::nullopt);
  EXPECT_NEAR(acquire()[1], 8388608 + 12000 * p + 0.002 * p * p, 3.5);
}

TEST_F(CalibrationTest, ReadingsUseTheCoefficientsWritten) {
  model_->setFeltPressure(100.0);
  // A pressure set of a constant 12500 Pa (read as 12.5 kPa), and a temperature set of 1e-6 per code.
  write(reg::kPressureCoefficients25, FloatToBeBytes(12500.0f) + Bytes(20, 0));
  write(reg::kTemperature1Coefficients, Bytes(4, 0) + FloatToBeBytes(1e-6f) + Bytes(16, 0));
  std::vector<std::int32_t> v = acquire();
  EXPECT_EQ(v[6], 125000);
  EXPECT_NEAR(v[5], std::round(v[0] * 1e-6 * 10000), 1.0);
}

TEST_F(CalibrationTest, EveryCoefficientSetReadsBackAsWritten) {
  struct Set {
    std::uint16_t address;
    std::uint16_t count;
  };
  const Set sets[] = {{0x3001, 12}, {0x3002, 12}, {0x3003, 12}, {0x3004, 12}, {0x3006, 10}, {0x3011, 12},
                      {0x3012, 12}, {0x3013, 12}, {0x3014, 12}, {0x3016, 8},  {0x3017, 8}};
  // Neighbouring addresses name different sets: writing all first shows that none overwrites another.
  for (const Set& set : sets)
    write(set.address, patterned(2u * set.count, static_cast<std::uint8_t>(set.address)));
  for (const Set& set : sets) {
    EXPECT_EQ(readData(set.address, set.count),
              patterned(2u * set.count, static_cast<std::uint8_t>(set.address)))
        << std::hex << set.address;
  }
}

TEST_F(CalibrationTest, FactorySetsArePlausible) {
  // The 25 degree pressure set turns the code of 100 kPa into about 100000 Pa; the constants are
  // those the drift settings show.
  Bytes set = readData(reg::kPressureCoefficients25, 12);
  ASSERT_EQ(set.size(), 24u);
  double a = BeFloat32(slice(set, 0, 4));
  double b = BeFloat32(slice(set, 4, 4));
  EXPECT_NEAR(a + b * (8388608 + 1200000), 100000.0, 10.0);
  for (std::uint16_t address : {0x3011, 0x3012, 0x3013, 0x3014}) EXPECT_EQ(readData(address, 12), set);
  Bytes constants = readData(reg::kTemperatureConstants, 10);
  ASSERT_EQ(constants.size(), 20u);
  EXPECT_EQ(BeFloat32(slice(constants, 4, 4)), LoggerConfig{}.temperatureConstants[1]);
}

TEST_F(CalibrationTest, FirstFamilyBlockShowsIdentityAndRegisters) {
  write(reg::kPressureCoefficientsLow, patterned(24, 0x11));
  write(reg::kTemperatureInfluence, patterned(16, 0x16));
  Bytes block = readBlock();
  ASSERT_EQ(block.size(), 512u);
  EXPECT_NE(block[0], 0);
  EXPECT_EQ(BeU16(block[1], block[2]), 100);
  EXPECT_EQ(BeU32(&block[3]), LoggerConfig{}.serialNumber);
  EXPECT_EQ(slice(block, 11, 4), (Bytes{1, 3, 1, 5}));
  EXPECT_EQ(slice(block, 96, 24), readData(0x3001, 12));
  EXPECT_EQ(slice(block, 120, 24), readData(0x3002, 12));
  EXPECT_EQ(slice(block, 192, 20), readData(0x3006, 10));
  EXPECT_EQ(slice(block, 212, 4), readData(0x2084, 2));
  EXPECT_EQ(slice(block, 216, 4), readData(0x2086, 2));
  EXPECT_EQ(slice(block, 336, 24), patterned(24, 0x11));
  EXPECT_EQ(slice(block, 464, 16), patterned(16, 0x16));
}

TEST_F(CalibrationTest, FirstFamilyRegisterWritesShowInTheBlock) {
  // The registers a first-family restore writes one by one, the drift and offset among them.
  write(reg::kSpareCoefficients, patterned(24, 0x04));
  write(reg::kTemperatureConstants, patterned(20, 0x06));
  write(reg::kPressureDrift, patterned(4, 0x84));
  write(reg::kProbeAdOffset, patterned(4, 0x86));
  EXPECT_EQ(readData(reg::kProbeAdOffset, 2), patterned(4, 0x86));
  Bytes block = readBlock();
  ASSERT_EQ(block.size(), 512u);
  EXPECT_EQ(slice(block, 168, 24), patterned(24, 0x04));
  EXPECT_EQ(slice(block, 192, 20), patterned(20, 0x06));
  EXPECT_EQ(slice(block, 212, 4), patterned(4, 0x84));
  EXPECT_EQ(slice(block, 216, 4), patterned(4, 0x86));
}

TEST_F(CalibrationTest, FirstFamilyPageWritesChangeBlockAndRegisters) {
  Bytes block = readBlock();
  Bytes page = patterned(64, 0x40);  // page 1: bytes 64..127, the date and the 25 degree set
  write(0x2101, page);
  Bytes after = readBlock();
  EXPECT_EQ(slice(after, 64, 64), page);
  EXPECT_EQ(slice(after, 0, 64), slice(block, 0, 64));
  EXPECT_EQ(slice(after, 128, 384), slice(block, 128, 384));
  EXPECT_EQ(readData(0x3001, 12), slice(page, 32, 24));
}

TEST_F(CalibrationTest, SecondFamilyRestoresAWholeBlock) {
  LoggerConfig config;
  ASSERT_TRUE(applyModelText(config, "QL325"));
  start(config);
  write(reg::kTemperatureInfluenceWarm, patterned(16, 0x17));
  Bytes block = readBlock();
  ASSERT_EQ(block.size(), 512u);
  EXPECT_EQ(slice(block, 155, 24), readData(0x3002, 12));
  EXPECT_EQ(slice(block, 179, 24), readData(0x3011, 12));
  EXPECT_EQ(slice(block, 339, 16), patterned(16, 0x17));
  EXPECT_EQ(slice(block, 355, 8), slice(readData(0x3006, 10), 0, 8));
  EXPECT_EQ(slice(block, 375, 4), readData(0x2084, 2));

  // A backup with other coefficients and other opaque bytes goes back page by page.
  Bytes backup = block;
  Bytes pressure = patterned(24, 0x79);
  std::copy(pressure.begin(), pressure.end(), backup.begin() + 203);
  backup[500] = 0xA5;
  backup[299] = 0x3C;
  writeBlock(backup);
  EXPECT_EQ(readBlock(), backup);
  EXPECT_EQ(readData(0x3012, 12), pressure);
}

TEST_F(CalibrationTest, MalformedPageWritesAreNotAcknowledged) {
  Bytes block = readBlock();
  EXPECT_TRUE(ask(writeFrame(0x2100, patterned(32, 1))).empty());  // 16 registers, not 32
  EXPECT_EQ(readBlock(), block);
}

struct ModelCase {
  const char* text;
  std::optional<std::uint16_t> code;
  bool secondFamily;
};

TEST(ModelText, ChoosesCodeAndFamily) {
  const ModelCase cases[] = {{"QL310", 100, false},     {"ql310", 100, false},
                             {"QL325", 325, true},      {"25", 25, true},
                             {"101", 101, false},       {"ABC", std::nullopt, false},
                             {"", std::nullopt, false}, {"QL99999", std::nullopt, false}};
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(modelCodeOfText(c.text), c.code);
    LoggerConfig config;
    bool applied = applyModelText(config, c.text);
    EXPECT_EQ(applied, c.code.has_value());
    if (applied) {
      EXPECT_EQ(config.model, *c.code);
      EXPECT_EQ(config.modelText, c.text);
      EXPECT_EQ(isSecondFamily(config.modelText), c.secondFamily);
      EXPECT_EQ(LoggerModel(config).secondFamily(), c.secondFamily);
    } else {
      EXPECT_EQ(config.modelText, "QL310");
      EXPECT_EQ(config.model, 100);
    }
  }
}

}  // namespace
}  // namespace ql::sim
