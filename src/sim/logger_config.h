#pragma once
// What a simulated logger is: its identity, memory, battery, constants and line rate at power-up.
// The defaults describe a plausible QL310 with firmware 1.3 (which reads its ratios as doubles).

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "sim/live_values.h"
#include "sim/logging_task.h"

namespace ql::sim {

struct LoggerConfig {
  std::uint32_t serialNumber = 210012345;  // the program accepts 180000000 and above
  std::uint16_t model = 100;               // 100 is a QL310
  // The model as the program shows it; a text containing "25" selects the second family of
  // calibration layout (sim/model_family.h). applyModelText sets it together with model.
  std::string modelText = "QL310";
  std::array<std::uint8_t, 4> hardwareVersion = {1, 0, 2, 0};
  std::array<std::uint8_t, 4> firmwareVersion = {1, 3, 1, 5};
  std::uint32_t flashSize = 8388608;
  std::uint32_t flashUsed = 1048576;
  std::uint16_t batteryMillivolts = 3600;
  std::uint32_t batteryConsumption = 1500000;  // of a capacity of 6000000: 75 % left
  std::uint16_t taskRunState = 0;              // 1 = the task is recording from power-up on
  // The task the logger holds at power-up: the last one written, long finished.
  LoggingTask task;
  // The logger's clock minus the time source at power-up, in seconds (positive: the logger is
  // ahead). A clock write replaces it.
  std::int64_t clockOffsetSeconds = 0;
  // The form of the answer to the live-value read 01 03 00 01 00 08.
  LiveReplyForm liveReplyForm = LiveReplyForm::EchoSixteen;
  // When false, write acknowledgements come bare: 01 10 register count CRC (8 bytes) without the
  // echo of the request in front. Other answers to writes (the speed switch) keep their echo.
  bool echoWriteAcks = true;
  std::uint32_t baudRate = 9600;
  // Recorded files at power-up, of varied kinds and sizes (RecordedFiles::standardFile); at most
  // 16. Tests add their own through LoggerModel::files().
  int fileCount = 3;
  // Erasing all files takes the logger this long; it answers nothing meanwhile.
  int eraseAllMs = 45000;
  // Deleting one file takes this long, also without answers.
  int deleteFileMs = 0;
  // With no file present the table read is answered with the short form 01 03 00 + CRC; when
  // false, with the full table of 16 erased entries.
  bool emptyTableShortForm = true;

  // Zero drift constants: the pressure offset in kPa (0x2084, a single) and the temperature
  // constants block at 0x3006 (ten registers: four singles — the pressure-on-temperature factor,
  // the temperature offset in °C, the battery slope and constant — then the pressure AD offset,
  // an integer).
  float pressureZeroOffset = 0.35f;
  std::array<float, 4> temperatureConstants = {1.0f, -0.2f, 0.00143f, 0.0f};
  std::uint32_t pressureAdOffset = 16300000;

  // 32-bit constants by their first register (two-register reads).
  std::map<std::uint16_t, std::uint32_t> constants32 = {{0xF001, 310},
                                                        {0xF003, 20180901},
                                                        {0xF101, 8388608},
                                                        {0xF103, 8421376},
                                                        {0xF105, 7930},
                                                        {0xF107, 100000},
                                                        {0xF109, 2500},
                                                        {0xF10B, 1000},
                                                        {0xF10D, 12},
                                                        {0xF10F, 65536},
                                                        {0xF201, 4294962296u /* -5000 */},
                                                        {0xF203, 2750}};
  // 16-bit constants (one-register reads).
  std::map<std::uint16_t, std::uint16_t> constants16 = {{0xF301, 24}, {0xF302, 3}};
  // Calibration polynomials, read four registers (one double) at a time from 0xF101 and 0xF201
  // in steps of four: pressure in kPa and temperature in degrees Celsius from the raw readings.
  std::array<double, 6> pressureRatios = {-101.325, 0.0125, 1.2e-9, -3.4e-15, 0.0, 0.0};
  std::array<double, 6> temperatureRatios = {-5.125, 0.00061035, 2.1e-10, 0.0, 0.0, 0.0};
};

}  // namespace ql::sim
