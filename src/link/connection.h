#pragma once
// Finding the logger and keeping the link: the automatic search over every port and rate, the
// manual connect and disconnect, the keep-alive read, the port watch, restoring the rate after a
// fast download and the frame sent at exit.
//
// The search is a timed state machine on the loop thread. ProbeCounter is its only switch: below
// probe::kStop it walks one port/rate pair per pass (link frame, 310 ms, probe read, 390 ms);
// the loop thread stops it by setting a value of kStop or more and restarts it by setting 0.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/connection_panel.h"
#include "link/link_state.h"
#include "link/port.h"
#include "link/port_list.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"

namespace ql {

class Connection {
 public:
  // The system's ports (serialPortPaths).
  using PortLister = ql::PortLister;

  Connection(Scheduler& loop, Port& port, LinkState& state, ConnectionPanel& panel, TextLookup texts,
             PortLister listPorts);
  ~Connection();

  // Starts the search loop (once, after start-up checks pass).
  void startSearchLoop();
  // The connection's share of the one-second tick: search restart, port list refresh,
  // keep-alive and port watch.
  void onSecondTick();
  // Refreshes the port list while no logger is linked: an empty list is filled and the search
  // restarted on it; during the search the list follows adapters plugged in or out.
  void refreshPortList();

  void connectManually();
  void disconnect();
  // Gives the link up without the operator's disconnect: after a task was written (the logger
  // records) or when the operator keeps a running task. The port closes, automatic search stays
  // off, and the operator reconnects to work with the logger again.
  void forgetLink();
  void setAutoSearch(bool on);
  // After a fast download: writes the selected rate into the logger (twice) and follows it.
  void restoreBaudRate();
  // The last frame before the program ends.
  void sendExitFrame();

  // Called by the receive dispatcher for a probe answer (or any reply after a manual connect).
  void connectedStep();

  // Sends frame + CRC; a closed port drops it silently.
  void send(const Bytes& frameWithoutCrc);
  Bytes linkFrame() const;

  // Where a logger answered last; the search tries it first.
  struct Endpoint {
    std::string port;
    std::uint32_t baudRate = 0;
  };
  void setPreferredEndpoint(std::optional<Endpoint> endpoint) { preferred_ = std::move(endpoint); }
  const std::optional<Endpoint>& lastEndpoint() const { return last_; }

  // Feature hooks, run on the loop thread.
  std::function<void()> onConnected;      // a logger answered: start the information poll at step 0
  std::function<void()> onManualConnect;  // clear the information fields and enable the poll
  std::function<void()> onDisconnected;   // stop the information poll
  std::function<void()> onAutoSearchOn;   // clear the status caption, live display off

  static constexpr int kPassLinkToProbeMs = 310;
  static constexpr int kPassProbeToNextMs = 390;

 private:
  void searchPass();
  void sendProbe();
  bool openSelectedPort();
  void applySelectedRate();
  void fillPortBox(std::vector<std::string> ports);
  // Adapters plugged in or out while searching: the list follows at once, and the walk goes on
  // from the port it was trying when that port is still there.
  void followPluggedPorts(std::vector<std::string> ports);
  // Without the search the list still follows the machine's ports; the choice stays by name.
  void followPortsChosenByHand();
  void noteOpenFailure(const SerialPortError& error);
  std::vector<std::string> systemPorts() const {
    return listPorts_ ? listPorts_() : std::vector<std::string>{};
  }
  void uncheckAutoSearch();
  void show(std::string& field, const std::string& section, const std::string& key);
  std::string text(const std::string& key) const { return texts_ ? texts_("COMLINK", key) : ""; }

  Scheduler& loop_;
  Port& port_;
  LinkState& state_;
  ConnectionPanel& panel_;
  TextLookup texts_;
  PortLister listPorts_;
  int portCheckTicks_ = 0;
  bool permissionDenied_ = false;  // the last port tried may not be opened by this user
  bool searchLoopStarted_ = false;
  bool preferredPending_ = false;
  std::optional<Endpoint> preferred_;
  std::optional<Endpoint> last_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ql
