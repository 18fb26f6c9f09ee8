#pragma once
// The update worker: one thread per program run, started by the first request, that performs
// blocking HTTP GETs (http and https, 10 s read time-out) one after the other. It decides
// nothing: every result goes back to the loop thread through Scheduler::post, where the callback
// runs. Results that arrive after the worker was destroyed are dropped.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "runtime/scheduler.h"

namespace ql::update {

class UpdateWorker {
 public:
  using TextDone = std::function<void(bool ok, std::string body)>;
  using FileDone = std::function<void(bool ok)>;

  explicit UpdateWorker(Scheduler& loop);
  ~UpdateWorker();  // cancels a transfer under way and joins the thread
  UpdateWorker(const UpdateWorker&) = delete;
  UpdateWorker& operator=(const UpdateWorker&) = delete;

  // GET url as text. ok is false on a network error, an HTTP error status or a cut transfer.
  void fetchText(const std::string& url, TextDone done);
  // GET url streamed into the file at path (created or truncated). On failure the file may
  // hold part of the body: the caller decides what to do with it.
  void fetchFile(const std::string& url, const std::string& path, FileDone done);

  bool started() const { return thread_.joinable(); }

 private:
  struct Job {
    std::string url;
    std::string path;  // empty: fetch as text
    TextDone textDone;
    FileDone fileDone;
  };
  void enqueue(Job job);
  void run();

  Scheduler& loop_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // loop thread only
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

}  // namespace ql::update
