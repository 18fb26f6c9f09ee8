// ql310-sim --reference: a pressure reference on a second pseudo-terminal whose output the logger
// on the first one feels. The test writes instructions to the reference and reads the logger's
// pressure AD code with the calibration acquisition read.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "link/codecs.h"
#include "link/crc.h"
#include "programs.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

// Raw 8N1 at 9600, as the programs open their ports.
class RawLine {
 public:
  explicit RawLine(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tcsetattr(fd_, TCSANOW, &tio);
  }
  ~RawLine() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool isOpen() const { return fd_ >= 0; }
  bool write(const std::string& text) {
    return ::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  }
  bool write(const Bytes& bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until count bytes are in or waitMs passed without any.
  Bytes read(std::size_t count, int waitMs) {
    Bytes in;
    pollfd pfd{fd_, POLLIN, 0};
    while (in.size() < count && poll(&pfd, 1, waitMs) > 0) {
      std::uint8_t buffer[256];
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      in.insert(in.end(), buffer, buffer + n);
    }
    return in;
  }

 private:
  int fd_ = -1;
};

// The pressure AD code of the logger's acquisition read (value 1 of nine), nothing on no answer.
std::optional<std::int32_t> pressureCode(RawLine& logger) {
  const Bytes request = AppendCrc(bytesFromHex("01 03 30 05 00 12"));
  constexpr std::size_t kReplySize = 8 + 3 + 36 + 2;
  if (!logger.write(request)) return std::nullopt;
  Bytes reply = logger.read(kReplySize, 1000);
  if (reply.size() != kReplySize || !startsWith(reply, request)) return std::nullopt;
  return static_cast<std::int32_t>(BeU32(reply.data() + 8 + 3 + 4));
}

double codeFor(double kPa) { return 8388608.0 + 12000.0 * kPa + 0.002 * kPa * kPa; }

TEST(SimulatorReference, InstructionsOnTheSecondTerminalMoveTheLoggersPressure) {
  const test::TempDir scratch("ql310-reference");
  const std::string loggerLink = scratch.file("logger");
  const std::string referenceLink = scratch.file("reference");
  testing::SimulatorProcess sim(QL310_SIM, loggerLink, {"--reference", referenceLink});
  ASSERT_TRUE(sim.ready());
  for (int i = 0; i < 100 && !fs::exists(referenceLink); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(fs::is_symlink(referenceLink));

  RawLine logger(loggerLink);
  RawLine reference(referenceLink);
  ASSERT_TRUE(logger.isOpen() && reference.isOpen());

  // Vented at first: the logger feels the ambient pressure.
  std::optional<std::int32_t> code = pressureCode(logger);
  ASSERT_TRUE(code);
  EXPECT_NEAR(*code, codeFor(101.325), 10);

  // An instruction split across writes is taken whole.
  ASSERT_TRUE(reference.write(std::string(":OUTPut:STATe ON\r\n:SOU")));
  ASSERT_TRUE(reference.write(std::string("Rce 500.0\r\n")));
  // The output approaches the set point with a time constant of 1.5 s: past 450 kPa after
  // about 3 s, and never beyond it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    code = pressureCode(logger);
    if (code && *code > codeFor(450.0)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  ASSERT_TRUE(code);
  EXPECT_GT(*code, codeFor(450.0));
  EXPECT_LT(*code, codeFor(500.0) + 10);
}

}  // namespace
}  // namespace ql
