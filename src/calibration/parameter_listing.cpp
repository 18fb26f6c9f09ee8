#include "calibration/parameter_listing.h"

#include <cstdint>
#include <cstdio>

#include "link/codecs.h"
#include "runtime/formats.h"

namespace ql::calibration {

namespace {

std::string single(const ParameterBlock& block, std::size_t offset) {
  return formatShortest(BeFloat32(block.slice(offset, 4)));
}

std::string integer(const ParameterBlock& block, std::size_t offset) {
  return std::to_string(static_cast<std::int32_t>(BeStrU32(block.slice(offset, 4))));
}

std::string dotted(const ParameterBlock& block, std::size_t offset) {
  std::string out;
  for (std::size_t i = 0; i < 4; ++i) out += (i ? "." : "") + std::to_string(block.at(offset + i));
  return out;
}

std::string hexDate(const ParameterBlock& block, std::size_t offset) {
  std::string out;
  for (std::size_t i = 0; i < 4; ++i) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", block.at(offset + i));
    out += (i ? "-" : "") + std::string(digits);
  }
  return out;
}

// label + k + separator + value for count singles from offset on.
void addSet(std::vector<std::string>& lines, const ParameterBlock& block, const std::string& label,
            std::size_t offset, int count, const std::string& separator) {
  for (int k = 0; k < count; ++k)
    lines.push_back(label + std::to_string(k) + separator +
                    single(block, offset + 4 * static_cast<std::size_t>(k)));
}

std::vector<std::string> firstFamily(const ParameterBlock& block) {
  std::vector<std::string> lines = {
      "仪器型号: " + std::to_string(block.modelNumber()),
      "SN： " + integer(block, 3),
      "硬件版本号：" + dotted(block, 7),
      "软件版本号：" + dotted(block, 11),
      "生产日期：" + hexDate(block, 68),
  };
  struct Set {
    const char* label;
    std::size_t offset;
  };
  for (const Set& set : {Set{"压力系数(-4.5)", 336}, Set{"压力系数(5)", 360}, Set{"压力系数(15)", 384},
                         Set{"压力系数(25)", 96}, Set{"压力系数(35)", 408}, Set{"温度系数", 120},
                         Set{"压力探头的温度系数", 144}}) {
    addSet(lines, block, set.label, set.offset, 6, ": ");
  }
  lines.push_back("压力对温度修正系数: " + single(block, 192));
  for (int k = 0; k < 4; ++k) {
    lines.push_back("压力对温度曲线多项式系数" + std::to_string(k) + "：" +
                    single(block, 464 + 4 * static_cast<std::size_t>(k)));
  }
  lines.push_back("电池电压斜率: " + single(block, 200));
  lines.push_back("电池电压常数: " + single(block, 204));
  lines.push_back("压力AD减去常数：" + integer(block, 208));
  lines.push_back("压力探头上温度传感器的AD减去常数：" + integer(block, 216));
  lines.push_back("压力常温常压下漂移量：" + single(block, 212));
  lines.push_back("温度常温下的偏移常量: " + single(block, 196));
  return lines;
}

std::vector<std::string> secondFamily(const ParameterBlock& block) {
  std::vector<std::string> lines = {hexText(block.buffer().data(), ParameterBlock::kBlockSize), ""};
  struct Set {
    const char* label;
    std::size_t offset;
    int count;
    const char* separator;
  };
  for (const Set& set :
       {Set{"温度系数", 155, 6, ":  "}, Set{"压力系数(0)", 179, 6, ":  "}, Set{"压力系数(15)", 203, 6, ":  "},
        Set{"压力系数(30)", 227, 6, ":  "}, Set{"晶体温度系数", 299, 6, ":  "},
        Set{"压力探头的温度系数(0)", 323, 4, ": "}, Set{"压力探头的温度系数(30)", 339, 4, ": "}}) {
    addSet(lines, block, set.label, set.offset, set.count, set.separator);
  }
  lines.push_back("压力对温度修正系数: " + single(block, 355));
  lines.push_back("温度常温常压下漂移量(℃)：" + single(block, 359));
  lines.push_back("压力常温下的偏移常量(KPa): " + single(block, 375));
  return lines;
}

}  // namespace

std::optional<std::vector<std::string>> listParameterBlock(const ParameterBlock& block, bool second) {
  if (second) return secondFamily(block);
  if (!block.valid()) return std::nullopt;
  return firstFamily(block);
}

}  // namespace ql::calibration
