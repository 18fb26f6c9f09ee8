#include "shell/picture_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ql {

namespace {

// The eight bytes every PNG file begins with.
constexpr char kPngSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};

bool isPngFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[8] = {};
  if (!in.read(head, sizeof head)) return false;
  return std::equal(std::begin(head), std::end(head), std::begin(kPngSignature));
}

}  // namespace

const char* pictureFileName(Picture picture) {
  switch (picture) {
    case Picture::NavigationNormal:
      return "Syscaco.svd";
    case Picture::NavigationPressed:
      return "Syscact.svd";
    case Picture::NavigationHover:
      return "Syscacr.svd";
    case Picture::ActionNormal:
      return "Syscacf.svd";
    case Picture::ActionPressed:
      return "Syscace.svd";
    case Picture::WideNormal:
      return "Syscacl.svd";
    case Picture::WidePressed:
      return "Syscacq.svd";
    case Picture::Menu:
      return "menupg.svd";
    case Picture::BatteryLow:
      return "bat1.sdv";
    case Picture::BatteryMiddle:
      return "bat2.sdv";
    case Picture::BatteryFull:
      return "bat3.sdv";
  }
  return "";
}

Picture batteryPicture(int percent) {
  if (percent >= 67) return Picture::BatteryFull;
  if (percent >= 33) return Picture::BatteryMiddle;
  return Picture::BatteryLow;
}

std::string PictureCheck::locate(Picture picture, const std::vector<std::string>& dirs) {
  for (const std::string& dir : dirs) {
    const std::string candidate = dir + "/" + pictureFileName(picture);
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

std::vector<std::string> PictureCheck::missingFiles(const std::vector<std::string>& dirs) {
  std::vector<std::string> missing;
  for (Picture picture : kPictureCheckOrder) {
    const std::string path = locate(picture, dirs);
    if (path.empty() || !isPngFile(path)) missing.push_back(pictureFileName(picture));
  }
  return missing;
}

}  // namespace ql
