#pragma once
// The one place where bytes from the logger are interpreted. Each received block is tested in a
// fixed order: the flags by which features claim the link first, then the file-transfer head, the
// file-list continuation, the speed-switch report and the connection answer, then the table of
// replies recognised by their request echo and length. The first test that applies ends the call.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/link_state.h"
#include "link/reply_handlers.h"

namespace ql {

class ReceiveDispatcher {
 public:
  ReceiveDispatcher(LinkState& state, ReplyHandlers& handlers);

  // One received block, as the port delivered it.
  void onReceiveData(const std::uint8_t* data, std::size_t length);

  // The route a block took; for tests and the trace.
  enum class Branch {
    Ignored,
    Calibration,
    Download,
    FileDataHeld,
    FileDataHead,
    FileListContinuation,
    TooShort,
    SpeedSwitch,
    Connection,
    Reply,  // recognised: see lastKind()
    Unmatched,
  };
  Branch lastBranch() const { return lastBranch_; }
  ReplyKind lastKind() const { return lastKind_; }

 private:
  // One row of the reply table: the block starts with `prefix` and its length passes the test.
  struct Route {
    enum class Length { Exactly, MoreThan, AtLeast };
    std::function<bool(const Bytes& block)> matches;
    ReplyKind kind;
  };
  void buildRoutes();
  void addEchoRoute(const Bytes& request, const Bytes& responseHead, Route::Length test, std::size_t length,
                    ReplyKind kind);
  Branch route(const Bytes& block);
  bool fileDataHead(Bytes& block);

  LinkState& state_;
  ReplyHandlers& handlers_;
  std::vector<Route> routes_;
  Branch lastBranch_ = Branch::Ignored;
  ReplyKind lastKind_ = ReplyKind::BatteryVoltage;
};

}  // namespace ql
