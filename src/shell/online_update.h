#pragma once
// The online update on the loop thread: the check, the question, the downloads into velmo's home
// and the hand-over, driven by TimerNetUpdate; the HTTP requests run on the update worker.
// Memo lines and the question use the texts of section UPDATE.

#include <functional>
#include <memory>
#include <string>

#include "link/memo_log.h"
#include "runtime/operator.h"
#include "runtime/scheduler.h"
#include "runtime/texts.h"
#include "shell/update_worker.h"

namespace ql::update {

enum UpdateState : int {
  kIdle = 0,
  kCheckRequested = 100,
  kNewerFound = 200,
  kDownloadRequested = 201,
  kDownloading = 202,
  kDownloaded = 210,
  kInfoUnavailable = 10001,
  kUpToDate = 100000,
  kNoVersion = 100003,
};

struct UpdateSettings {
  std::string serverBase;      // "http://host[:port]" without a trailing '/'
  std::string homeDir;         // where the files are stored
  std::string runningVersion;  // "V2.0.1.19"
  std::string executablePath;  // the program the update replaces
};

class OnlineUpdate {
 public:
  // Called at state 210 once the files are in place: closes the link, starts "updtrun" and
  // returns true when it started (the program then ends).
  using HandOver = std::function<bool()>;

  OnlineUpdate(Scheduler& loop, Operator& op, MemoLog& memo, TextLookup texts, UpdateSettings settings,
               HandOver handOver);
  ~OnlineUpdate();

  // The menu's update check (the memo line with the menu caption is the caller's).
  void requestCheck();
  int state() const { return state_; }
  // The newest version the server named; empty before a check.
  const std::string& serverVersion() const { return serverVersion_; }
  // A request is under way on the worker.
  bool busy() const { return busy_; }
  bool timerRunning() const;
  // After a refused file or a failed check of the download: why the update stopped.
  const std::string& failure() const { return failure_; }

 private:
  void onInformation(bool ok, std::string body);
  void onNetTimer();
  void startDownloads();
  void fetchNextFile();
  void onFileFetched(int entry, const std::string& name, const std::string& temporary, bool ok);
  void stopDownloads(const std::string& memoKey, const std::string& detail);
  std::string text(const std::string& key) const;
  std::string url(const std::string& path) const;

  Scheduler& loop_;
  Operator& operator_;
  MemoLog& memo_;
  TextLookup texts_;
  UpdateSettings settings_;
  HandOver handOver_;
  std::unique_ptr<Timer> netTimer_;  // TimerNetUpdate
  std::unique_ptr<UpdateWorker> worker_;
  int state_ = kIdle;
  bool busy_ = false;
  std::string information_;
  std::string serverVersion_;
  std::string failure_;
  int nextEntry_ = 0;
};

}  // namespace ql::update
