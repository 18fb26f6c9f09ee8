#include "calibration/coefficient_read_sequence.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "calibration/coefficient_steps.h"
#include "calibration/firmware_order.h"
#include "calibration/polynomial_value.h"
#include "link/codecs.h"
#include "link/crc.h"
#include "link/register_map.h"
#include "runtime/formats.h"

namespace ql::calibration {

namespace {

constexpr std::size_t kEchoSize = 8;

// What a read reply's data fills.
enum class Target { ReadBack, ProbeReadBack, Influence, Constants };

struct SetReply {
  std::uint16_t address;
  std::uint16_t count;
  Target target;
};

constexpr SetReply kSetReplies[] = {
    {reg::kPressureCoefficients25, 12, Target::ReadBack},
    {reg::kTemperature1Coefficients, 12, Target::ReadBack},
    {reg::kPressureCoefficientsLow, 12, Target::ReadBack},
    {reg::kPressureCoefficientsMid, 12, Target::ReadBack},
    {reg::kPressureCoefficientsWarm, 12, Target::ReadBack},
    {reg::kPressureCoefficientsHigh, 12, Target::ReadBack},
    {reg::kTemperatureInfluence, 8, Target::Influence},
    {reg::kTemperatureInfluenceWarm, 8, Target::Influence},
    {reg::kTemperature2Coefficients, 12, Target::ProbeReadBack},
    {reg::kTemperatureConstants, 10, Target::Constants},
};

// The block from the first occurrence of head to its end; nothing when head is absent.
std::optional<Bytes> fromHead(const Bytes& block, const Bytes& head) {
  auto at = std::search(block.begin(), block.end(), head.begin(), head.end());
  if (at == block.end()) return std::nullopt;
  return Bytes(at, block.end());
}

float singleAt(const Bytes& data, std::size_t offset) {
  return BeFloat32(Bytes(data.begin() + static_cast<std::ptrdiff_t>(offset),
                         data.begin() + static_cast<std::ptrdiff_t>(offset + 4)));
}

std::int32_t integerAt(const Bytes& data, std::size_t offset) {
  return static_cast<std::int32_t>(BeU32(&data[offset]));
}

}  // namespace

CoefficientReadSequence::CoefficientReadSequence(Scheduler& loop, CoefficientPanel& panel,
                                                 ParameterBackup& backup, const CoefficientLink& link)
    : panel_(panel), backup_(backup), link_(link), timer_(loop.makeTimer(kTickMs, [this] { tick(); })) {}

bool CoefficientReadSequence::influenceReadable() const {
  return !FirmwareBelow(link_.firmwareText(), kTemperatureInfluenceFirmware) || link_.secondFamily();
}

void CoefficientReadSequence::start(int step) {
  ReadStep = step;
  blockTicks_ = 0;
  awaited_.clear();
  timer_->restart();
  if (step == read_step::kParameterBlock) sendCurrent();
}

void CoefficientReadSequence::tick() {
  if (ReadStep == read_step::kParameterBlock && ++blockTicks_ % kBlockEveryTicks != 0) return;
  sendCurrent();
}

void CoefficientReadSequence::sendCurrent() {
  for (;;) {
    StepAction action = readStepAction(ReadStep, panel_, influenceReadable());
    if (action.kind == StepAction::Kind::SkipTo) {
      ReadStep = action.next;
      continue;
    }
    if (action.kind != StepAction::Kind::Send) return finish();
    (action.recorded ? link_.sendRecorded : link_.send)(action.frame);
    awaited_ = AppendCrc(action.frame);
    return;
  }
}

void CoefficientReadSequence::finish() {
  timer_->stop();
  awaited_.clear();
  link_.setStatus(kReadDone);
}

void CoefficientReadSequence::advanceFor(const Bytes& echo) {
  if (!running() || awaited_.empty() || echo != awaited_) return;
  awaited_.clear();
  ++ReadStep;
}

bool CoefficientReadSequence::takeSetReply(const Bytes& block) {
  for (const SetReply& reply : kSetReplies) {
    const Bytes echo = AppendCrc(reg::readRequest(reply.address, reply.count));
    if (!startsWith(block, echo)) continue;
    const auto byteCount = static_cast<std::uint8_t>(2 * reply.count);
    std::optional<Bytes> response = fromHead(block, Bytes{0x01, 0x03, byteCount});
    const std::size_t whole = 3u + byteCount + 2u;
    // The cubic's reply is taken with at least its data and one CRC byte, the others exactly.
    const bool fits = response && (reply.target == Target::Influence ? response->size() >= whole - 1
                                                                     : response->size() == whole);
    if (!fits) return true;
    const Bytes data(response->begin() + 3, response->begin() + 3 + byteCount);
    switch (reply.target) {
      case Target::ReadBack:
        for (int i = 0; i < CoefficientPanel::kCoefficientCount; ++i)
          panel_.setReadBack(i, formatCoefficient(singleAt(data, 4u * static_cast<std::size_t>(i))));
        break;
      case Target::ProbeReadBack:
        for (int i = 0; i < CoefficientPanel::kCoefficientCount; ++i)
          panel_.setProbeReadBack(i, formatCoefficient(singleAt(data, 4u * static_cast<std::size_t>(i))));
        break;
      case Target::Influence: {
        const GeneralParameter fields[] = {GeneralParameter::Polynomial0, GeneralParameter::Polynomial1,
                                           GeneralParameter::Polynomial2, GeneralParameter::Polynomial3};
        for (std::size_t i = 0; i < 4; ++i)
          panel_.setParameter(fields[i], formatCoefficient(singleAt(data, 4 * i)));
        break;
      }
      case Target::Constants:
        panel_.setParameter(GeneralParameter::PressureOnTemperature, formatShortest(singleAt(data, 0)));
        panel_.setParameter(GeneralParameter::TemperatureDrift, formatShortest(singleAt(data, 4)));
        panel_.setParameter(GeneralParameter::BatteryK, formatCoefficient(singleAt(data, 8)));
        panel_.setParameter(GeneralParameter::BatteryB, formatCoefficient(singleAt(data, 12)));
        panel_.setParameter(GeneralParameter::PressureAdOffset, std::to_string(integerAt(data, 16)));
        break;
    }
    advanceFor(echo);
    return true;
  }
  return false;
}

bool CoefficientReadSequence::takeTwoRegisterReply(const Bytes& block) {
  constexpr std::size_t kReplySize = kEchoSize + 3 + 4 + 2;
  const Bytes last = link_.lastRequest();
  if (block.size() != kReplySize || last.size() != kEchoSize) return false;
  if (!startsWith(block, concat({last, Bytes{0x01, 0x03, 0x04}}))) return false;
  const std::uint16_t address = BeU16(block[2], block[3]);
  if (address == reg::kPressureDrift)
    panel_.setParameter(GeneralParameter::PressureDrift, formatShortest(singleAt(block, 11)));
  if (address == reg::kProbeAdOffset)
    panel_.setParameter(GeneralParameter::ProbeAdOffset, std::to_string(integerAt(block, 11)));
  advanceFor(last);
  return true;
}

bool CoefficientReadSequence::takeBlockReply(const Bytes& block) {
  constexpr std::size_t kResponseSize = 3 + ParameterBlock::kBlockSize + 2;
  if (block.size() <= 500) return false;
  std::optional<Bytes> response = fromHead(block, Bytes{0x01, 0x03, 0x00});
  if (!response || response->size() != kResponseSize) return false;
  // The block may be restored into the logger later: a damaged one is asked for again.
  if (!crcIsValid(*response)) return true;
  backup_.showRead(Bytes(response->begin() + 3, response->end() - 2), link_.secondFamily());
  // The block's reply may come without its echo: it answers the block read whenever one is awaited.
  advanceFor(AppendCrc(reg::readRequest(reg::kParameterBlock, reg::kParameterBlockCount)));
  return true;
}

}  // namespace ql::calibration
