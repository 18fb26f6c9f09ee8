#pragma once
// The serial line as the terminal drives it: the port seam plus the line settings and the state
// of the send queue. SerialTerminalLine is the real one; tests give the terminal a fake.

#include "link/port.h"
#include "link/serial_port.h"

namespace ql {

class TerminalLine {
 public:
  virtual ~TerminalLine() = default;
  virtual Port& port() = 0;
  // Applied at once when the port is open.
  virtual void setLineSettings(const LineSettings& settings) = 0;
  // True when everything queued has been written (a file send waits for it between pieces).
  virtual bool sendQueueEmpty() const = 0;
  // Asks the line to hand over growing blocks in pieces of at most intervalMs (see SerialPort);
  // false when it cannot, and then whole blocks keep coming through the port's receive handler.
  virtual bool deliverInPieces(std::uint32_t /*intervalMs*/, SerialPort::PieceHandler /*handler*/) {
    return false;
  }
};

class SerialTerminalLine : public TerminalLine {
 public:
  explicit SerialTerminalLine(SerialPort& port) : port_(port) {}
  Port& port() override { return port_; }
  void setLineSettings(const LineSettings& settings) override { port_.setLineSettings(settings); }
  bool sendQueueEmpty() const override { return port_.sendDataEmpty(); }
  bool deliverInPieces(std::uint32_t intervalMs, SerialPort::PieceHandler handler) override {
    port_.setPieceDelivery(intervalMs, std::move(handler));
    return true;
  }

 private:
  SerialPort& port_;
};

}  // namespace ql
