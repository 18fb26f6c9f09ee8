#pragma once
// What the connection panel shows: the port and rate lists with their selections, the
// automatic-search box and the two status lines.

#include <string>
#include <vector>

#include "runtime/observable.h"

namespace ql {

class ConnectionPanel : public Observable {
 public:
  // The rate list; selections are indexes, -1 for none.
  static const std::vector<std::string>& rateItems();

  std::vector<std::string> ports;
  int portIndex = -1;
  int rateIndex = -1;
  bool autoSearch = true;
  bool listsEnabled = true;
  std::string searchStatus;  // what the search is doing, which port answered
  std::string linkStatus;    // linked or not
  bool linkShownAsOk = false;  // linkStatus holds the "linked" text (gates the keep-alive)
  bool statusRed = false;      // the alternative link frame is in use

  std::string portText() const { return portIndex >= 0 && portIndex < int(ports.size()) ? ports[portIndex] : ""; }
  std::string rateText() const;

  // Views call this after the core changed several fields.
  void changed() const { notify(); }
};

}  // namespace ql
