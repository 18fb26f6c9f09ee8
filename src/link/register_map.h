#pragma once
// The logger's registers and the request frames the program sends, in one place. Frames are held
// without their CRC; AppendCrc adds it just before sending. Slave address 0x01 throughout.

#include <cstdint>

#include "link/bytes.h"
#include "link/codecs.h"

namespace ql::reg {

// Register addresses (16-bit registers, big-endian on the wire).
inline constexpr std::uint16_t kLiveValues = 0x0001;      // 8 registers
inline constexpr std::uint16_t kBatteryVoltage = 0x0101;  // mV
inline constexpr std::uint16_t kRecordInterval = 0x1001;  // 2, ms
inline constexpr std::uint16_t kTaskStart = 0x1003;       // 3
inline constexpr std::uint16_t kTaskEnd = 0x1006;         // 3
inline constexpr std::uint16_t kClock = 0x1009;           // 3: yy mm dd hh mi ss
inline constexpr std::uint16_t kSendToPort = 0x100C;
inline constexpr std::uint16_t kTaskRunState = 0x100D;    // 0x0001 = running
inline constexpr std::uint16_t kAverageInterval = 0x100E; // 2
inline constexpr std::uint16_t kAverageCount = 0x1010;
inline constexpr std::uint16_t kBaudCode = 0x1102;        // 00 code; F0 F0 / F1 F1 = speed switch
inline constexpr std::uint16_t kModel = 0x2001;
inline constexpr std::uint16_t kSerialNumber = 0x2002;    // 2
inline constexpr std::uint16_t kHardwareVersion = 0x2004; // 2
inline constexpr std::uint16_t kFirmwareVersion = 0x2006; // 2
inline constexpr std::uint16_t kBatteryUsed = 0x2080;     // 2
inline constexpr std::uint16_t kPressureDrift = 0x2084;   // 2
inline constexpr std::uint16_t kProbeAdOffset = 0x2086;   // 2
inline constexpr std::uint16_t kDepthSettings = 0x2088;   // 4: two floats
inline constexpr std::uint16_t kParameterPages = 0x2100;  // 0x2100..0x2107
inline constexpr std::uint16_t kCalibrationBase = 0x3001; // 0x3001..0x3017
inline constexpr std::uint16_t kTemperatureConstants = 0x3006; // 10: five singles, the zero offset second
inline constexpr std::uint16_t kParameterBlock = 0x4000;  // 0x64 registers
inline constexpr std::uint16_t kFlashSize = 0xE001;       // 2
inline constexpr std::uint16_t kFlashUsed = 0xE003;       // 2
inline constexpr std::uint16_t kTaskName = 0xE005;        // 8
inline constexpr std::uint16_t kFileTable = 0xE00D;       // read: table; write: erase
inline constexpr std::uint16_t kFileData = 0xE00E;        // count field carries the file number
inline constexpr std::uint16_t kCalibrationMode = 0xFEFE; // 0x005C enters, 0x0000 leaves

// Calibration: coefficient sets of six singles (12 registers) each named by its own address, so
// that the sets overlap as address ranges but not in content.
inline constexpr std::uint16_t kPressureCoefficients25 = 0x3001;     // 12: at 25 degrees C
inline constexpr std::uint16_t kTemperature1Coefficients = 0x3002;   // 12
inline constexpr std::uint16_t kTemperature2Coefficients = 0x3003;   // 12: the pressure probe's sensor
inline constexpr std::uint16_t kSpareCoefficients = 0x3004;          // 12: carried by a restore only
inline constexpr std::uint16_t kAcquisition = 0x3005;                // 0x12: AD codes and readings
inline constexpr std::uint16_t kAcquisitionCount = 0x12;
inline constexpr std::uint16_t kPressureCoefficientsLow = 0x3011;    // 12: -4.5 C, or 0 C (second family)
inline constexpr std::uint16_t kPressureCoefficientsMid = 0x3012;    // 12: 5 C, or 15 C
inline constexpr std::uint16_t kPressureCoefficientsWarm = 0x3013;   // 12: 15 C, or 30 C
inline constexpr std::uint16_t kPressureCoefficientsHigh = 0x3014;   // 12: 35 C
inline constexpr std::uint16_t kTemperatureInfluence = 0x3016;       // 8: four singles
inline constexpr std::uint16_t kTemperatureInfluenceWarm = 0x3017;   // 8: second family only
inline constexpr std::uint16_t kCalibrationLast = 0x3017;
inline constexpr std::uint16_t kCoefficientRegisters = 12;
inline constexpr std::uint16_t kParameterBlockCount = 0x64;          // the read count; 512 bytes come
inline constexpr int kParameterBlockSize = 512;
inline constexpr int kParameterPageCount = 8;                        // 0x2100..0x2107
inline constexpr std::uint16_t kParameterPageRegisters = 32;         // 64 bytes a page

// Instrument constants: 32-bit values read two registers at a time at odd addresses, 16-bit
// values at 0xF301 and 0xF302 ...
inline constexpr std::uint16_t kConstantsFirst = 0xF001;
inline constexpr std::uint16_t kConstantsLast = 0xF302;
// ... and over 0xF101.. and 0xF201.. the ratios: doubles read four registers at a time, which
// overlap the 32-bit constants at the same addresses.
inline constexpr std::uint16_t kRatiosFirst = 0xF100;
inline constexpr std::uint16_t kRatiosLast = 0xF2FF;
inline constexpr std::uint16_t kPressureRatiosFirst = 0xF101;
inline constexpr std::uint16_t kTemperatureRatiosFirst = 0xF201;
inline constexpr int kRatioCount = 6;
inline constexpr int kRatioRegisters = 4;

inline constexpr std::uint16_t kModelQL310 = 100;
// The serial number register of an unprogrammed logger; never shown.
inline constexpr std::uint32_t kBlankSerialNumber = 0x0200026E;
inline constexpr std::int32_t kMinSerialNumber = 180000000;
inline constexpr std::int32_t kBatteryCapacity = 6000000;

// 01 03 <register> <count>, without CRC.
inline Bytes readRequest(std::uint16_t address, std::uint16_t count) {
  Bytes frame{0x01, 0x03};
  putBeU16(frame, address);
  putBeU16(frame, count);
  return frame;
}

// 01 10 <register> 00 01 02 <value>: a single-register write, without CRC.
inline Bytes writeRequest(std::uint16_t address, std::uint16_t value) {
  Bytes frame{0x01, 0x10};
  putBeU16(frame, address);
  frame.insert(frame.end(), {0x00, 0x01, 0x02});
  putBeU16(frame, value);
  return frame;
}

// Control frames of function 0x04; no reply is read.
inline Bytes controlFrame(std::uint8_t code) { return Bytes{0x01, 0x04, 0x01, 0x01, code, code}; }

// The read that probes for a logger (the serial number).
inline Bytes probeRequest() { return readRequest(kSerialNumber, 2); }

// Baud rates the logger knows; the code written to kBaudCode is the index + 3.
inline constexpr std::uint32_t kBaudRates[] = {4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};
inline constexpr int kBaudRateCount = 8;
inline constexpr std::uint8_t baudCode(int rateIndex) { return static_cast<std::uint8_t>(rateIndex + 3); }

}  // namespace ql::reg
