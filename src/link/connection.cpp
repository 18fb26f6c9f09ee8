#include "link/connection.h"

#include <algorithm>

#include "link/crc.h"
#include "link/register_map.h"

namespace ql {

Connection::Connection(Scheduler& loop, Port& port, LinkState& state, ConnectionPanel& panel,
                       TextLookup texts, PortLister listPorts)
    : loop_(loop),
      port_(port),
      state_(state),
      panel_(panel),
      texts_(std::move(texts)),
      listPorts_(std::move(listPorts)) {}

Connection::~Connection() { *alive_ = false; }

Bytes Connection::linkFrame() const { return reg::controlFrame(state_.LinkEcho == 1 ? 0x04 : 0x03); }

void Connection::send(const Bytes& frameWithoutCrc) { port_.writeBuffer(AppendCrc(frameWithoutCrc)); }

void Connection::show(std::string& field, const std::string& section, const std::string& key) {
  field = texts_ ? texts_(section, key) : "";
}

// --- automatic search ---------------------------------------------------------------------------

void Connection::startSearchLoop() {
  if (searchLoopStarted_) return;
  searchLoopStarted_ = true;
  searchPass();
}

bool Connection::openSelectedPort() {
  std::string name = panel_.portText();
  if (name.size() <= 1) return false;
  port_.setCommName(name);
  try {
    port_.open();
    permissionDenied_ = false;
    return true;
  } catch (const SerialPortError& error) {
    noteOpenFailure(error);
    return false;
  }
}

void Connection::noteOpenFailure(const SerialPortError& error) {
  permissionDenied_ = error.failure() == PortFailure::PermissionDenied;
  if (permissionDenied_) {
    panel_.searchStatus = port_errors::kPermissionDenied;
  } else {
    show(panel_.searchStatus, "COMLINK", "com_link_busy");
  }
}

void Connection::applySelectedRate() {
  if (panel_.rateIndex >= 0) port_.setBaudRate(reg::kBaudRates[panel_.rateIndex]);
}

// One pass tries one rate of one port: all eight rates of a port come before the next port.
void Connection::searchPass() {
  std::weak_ptr<bool> alive = alive_;
  if (state_.ProbeCounter >= probe::kStop) {
    loop_.delay(kPassProbeToNextMs, [this, alive] {
      if (alive.lock()) searchPass();
    });
    return;
  }

  if (state_.ProbeCounter++ == probe::kStop - 1) {
    state_.ProbeCounter = 0;
    panel_.ports.clear();
    panel_.portIndex = -1;
  }

  const int portCount = static_cast<int>(panel_.ports.size());
  if (preferredPending_) {
    // A logger is most often where it answered last: try that pair first.
    preferredPending_ = false;
    auto it = preferred_ ? std::find(panel_.ports.begin(), panel_.ports.end(), preferred_->port)
                         : panel_.ports.end();
    const std::uint32_t* rate =
        preferred_ ? std::find(std::begin(reg::kBaudRates), std::end(reg::kBaudRates), preferred_->baudRate)
                   : nullptr;
    if (it != panel_.ports.end() && rate != std::end(reg::kBaudRates)) {
      port_.close();
      panel_.portIndex = static_cast<int>(it - panel_.ports.begin());
      panel_.rateIndex = static_cast<int>(rate - std::begin(reg::kBaudRates)) - 1;
      openSelectedPort();
    }
  }

  if (panel_.portIndex < 0 && portCount > 0) {
    panel_.portIndex = 0;
    openSelectedPort();
  }
  if (panel_.rateIndex < reg::kBaudRateCount - 1) {
    ++panel_.rateIndex;
  } else {
    panel_.rateIndex = 0;
    port_.close();
    // The next port that opens; one round over the list at most, so a list of busy ports
    // does not keep the loop spinning.
    for (int tried = 0; tried < portCount; ++tried) {
      panel_.portIndex = (panel_.portIndex + 1) % portCount;
      if (openSelectedPort()) break;
    }
  }
  applySelectedRate();
  panel_.changed();

  send(linkFrame());
  loop_.delay(kPassLinkToProbeMs, [this, alive] {
    if (!alive.lock()) return;
    sendProbe();
    loop_.delay(kPassProbeToNextMs, [this, alive] {
      if (alive.lock()) searchPass();
    });
  });
}

void Connection::sendProbe() {
  // The main thread may have stopped the search while the pass was waiting.
  if (state_.ProbeCounter < probe::kStop) send(reg::probeRequest());
}

void Connection::fillPortBox(std::vector<std::string> ports) {
  panel_.ports = std::move(ports);
  panel_.portIndex = -1;
}

void Connection::refreshPortList() {
  if (state_.ConnectedPort.size() >= 2) return;
  std::vector<std::string> ports = systemPorts();
  const bool searching = state_.ProbeCounter < probe::kStop;
  if (!ports.empty()) {
    // The advice stays readable while the search keeps finding only ports it may not open.
    if (permissionDenied_) {
      panel_.searchStatus = port_errors::kPermissionDenied;
    } else {
      show(panel_.searchStatus, "COMLINK", "com_link_check");
    }
    if (panel_.ports.empty()) {
      fillPortBox(std::move(ports));
      state_.ProbeCounter = 0;
      preferredPending_ = preferred_.has_value();
    } else if (searching && ports != panel_.ports) {
      followPluggedPorts(std::move(ports));
    }
  } else {
    if (searching && !panel_.ports.empty()) followPluggedPorts({});
    std::string none = text("com_link_find_no");
    if (panel_.searchStatus != none) panel_.searchStatus = none;
  }
  panel_.changed();
}

void Connection::followPluggedPorts(std::vector<std::string> ports) {
  const std::string current = panel_.portText();
  panel_.ports = std::move(ports);
  const auto it = std::find(panel_.ports.begin(), panel_.ports.end(), current);
  if (it != panel_.ports.end()) {
    panel_.portIndex = static_cast<int>(it - panel_.ports.begin());
  } else {
    // The port being tried is gone: the walk starts again at the head of the new list.
    port_.close();
    panel_.portIndex = -1;
    panel_.rateIndex = -1;
  }
}

void Connection::followPortsChosenByHand() {
  std::vector<std::string> ports = systemPorts();
  if (ports == panel_.ports) return;
  const std::string chosen = panel_.portText();
  panel_.ports = std::move(ports);
  const auto it = std::find(panel_.ports.begin(), panel_.ports.end(), chosen);
  panel_.portIndex = it == panel_.ports.end() ? -1 : static_cast<int>(it - panel_.ports.begin());
  panel_.changed();
}

void Connection::onSecondTick() {
  if (state_.ProbeCounter > probe::kRestartAfter && state_.ProbeCounter < probe::kStop) {
    state_.ProbeCounter = 0;
    panel_.ports.clear();
    panel_.portIndex = -1;
  }

  if (panel_.autoSearch) {
    refreshPortList();
  } else if (state_.ConnectedPort.empty()) {
    followPortsChosenByHand();
  }

  if (panel_.linkShownAsOk && ++state_.IdleTicks > 10) {
    state_.IdleTicks = 0;
    Bytes keepAlive = reg::readRequest(reg::kModel, 1);
    send(keepAlive);
    state_.LastRequest = AppendCrc(keepAlive);
  }

  if (state_.ConnectedPort.empty()) {
    portCheckTicks_ = 0;
  } else if (++portCheckTicks_ > 30) {
    // Exact membership: a name that only begins another port's name is gone.
    const std::vector<std::string> ports = systemPorts();
    const std::string selected = panel_.portText();
    if (selected.empty() || std::find(ports.begin(), ports.end(), selected) == ports.end()) {
      state_.ConnectedPort.clear();
      panel_.ports.clear();
      panel_.portIndex = -1;
      show(panel_.linkStatus, "COMLINK", "com_link_not");
      panel_.linkShownAsOk = false;
      panel_.changed();
    }
  }
}

// --- connected step, manual connect, disconnect ------------------------------------------------

void Connection::connectedStep() {
  if (!state_.ConnectedPort.empty()) return;
  state_.ProbeCounter = probe::kConnected;
  show(panel_.linkStatus, "COMLINK", "com_link_ok");
  panel_.linkShownAsOk = true;
  panel_.searchStatus = text("com_link_find1") + " " + panel_.portText() + ", " + text("com_link_find2") +
                        " " + panel_.rateText() + " bps";
  state_.ConnectedPort = panel_.portText();
  last_ = Endpoint{state_.ConnectedPort, port_.baudRate()};
  panel_.changed();
  if (onConnected) onConnected();
}

void Connection::connectManually() {
  // A search pass must not move the port while the manual sequence waits for its frames.
  if (state_.ProbeCounter < probe::kStop) state_.ProbeCounter = probe::kIdle;
  state_.ConnectedPort.clear();
  port_.close();
  std::string name = panel_.portText();
  std::string rate = panel_.rateText();
  if (name.size() > 1 && rate.size() > 1) {
    port_.setCommName(name);
    port_.setBaudRate(reg::kBaudRates[panel_.rateIndex]);
    try {
      port_.open();
    } catch (const SerialPortError& error) {
      // The sends below are dropped and no answer comes; only a missing permission is worth
      // a word, since the user can do something about it.
      if (error.failure() == PortFailure::PermissionDenied)
        panel_.searchStatus = port_errors::kPermissionDenied;
    }
  }
  std::weak_ptr<bool> alive = alive_;
  loop_.delay(200, [this, alive] {
    if (!alive.lock()) return;
    send(linkFrame());
    loop_.delay(200, [this, alive] {
      if (!alive.lock()) return;
      state_.ProbeCounter = probe::kAwaitingManualAnswer;
      send(reg::probeRequest());
      state_.IdleTicks = 0;
      if (onManualConnect) onManualConnect();
      uncheckAutoSearch();
    });
  });
}

void Connection::disconnect() {
  state_.ConnectedPort.clear();
  if (onDisconnected) onDisconnected();
  port_.close();
  show(panel_.linkStatus, "COMLINK", "com_link_not");
  panel_.linkShownAsOk = false;
  show(panel_.searchStatus, "COMLINK", "com_mac_notlink");
  uncheckAutoSearch();
  panel_.changed();
}

void Connection::forgetLink() {
  state_.ConnectedPort.clear();
  if (onDisconnected) onDisconnected();
  port_.close();
  show(panel_.linkStatus, "COMLINK", "com_link_not");
  panel_.linkShownAsOk = false;
  uncheckAutoSearch();
  panel_.changed();
}

void Connection::uncheckAutoSearch() {
  // Unticking the box is the operator's "automatic off"; an unticked box stays as it is.
  if (panel_.autoSearch) setAutoSearch(false);
}

void Connection::setAutoSearch(bool on) {
  panel_.autoSearch = on;
  if (on) {
    port_.close();
    panel_.listsEnabled = false;
    state_.ProbeCounter = 0;
    panel_.ports.clear();
    panel_.portIndex = -1;
    state_.ConnectedPort.clear();
    preferredPending_ = preferred_.has_value();
    if (onAutoSearchOn) onAutoSearchOn();
  } else {
    panel_.listsEnabled = true;
    if (state_.ProbeCounter != probe::kAwaitingManualAnswer) state_.ProbeCounter = probe::kIdle;
  }
  panel_.changed();
}

// --- baud rate and exit ------------------------------------------------------------------------

void Connection::restoreBaudRate() {
  if (panel_.rateIndex < 0) return;
  Bytes frame = reg::writeRequest(reg::kBaudCode, reg::baudCode(panel_.rateIndex));
  send(frame);
  std::weak_ptr<bool> alive = alive_;
  loop_.delay(100, [this, alive, frame] {
    if (!alive.lock()) return;
    send(frame);
    state_.IdleTicks = 0;
    if (panel_.rateIndex >= 0) port_.setBaudRate(reg::kBaudRates[panel_.rateIndex]);
  });
}

void Connection::sendExitFrame() { send(reg::controlFrame(0x03)); }

}  // namespace ql
