#pragma once
// What the coefficient sequences need of the workbench around them: the link to the logger (the
// CRC is added there), LastRequest, the identity the main window shows, and the status field.

#include <functional>
#include <string>

#include "link/bytes.h"

namespace ql::calibration {

struct CoefficientLink {
  // Adds the CRC and writes the frame.
  std::function<void(const Bytes& frameWithoutCrc)> send;
  // Adds the CRC, makes the frame with its CRC LastRequest, and writes it.
  std::function<void(const Bytes& frameWithoutCrc)> sendRecorded;
  // LastRequest: the recorded frame with CRC sent last (by any sender of the workbench).
  std::function<Bytes()> lastRequest;
  // The firmware version text of the main window ("1.3.2.16").
  std::function<std::string()> firmwareText;
  // The logger's model text contains "25".
  std::function<bool()> secondFamily;
  // The workbench's status field.
  std::function<void(const std::string&)> setStatus;
};

}  // namespace ql::calibration
