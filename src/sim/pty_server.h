#pragma once
// Serves a LoggerModel on a new pseudo-terminal, so that a program opens the slave path like a
// serial device. The model sees each received piece with the line speed the client set on the
// slave (visible from the master side) and its reply chunks go out with real pauses, kept as
// deadlines of the poll loop so that reading never waits behind a pause.
//
// Runs on its own thread (start/stop) or in the calling thread (run). While it runs, touch the
// model only through withModel().

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/logger_model.h"
#include "sim/pseudo_terminal.h"

namespace ql::sim {

struct PtyOptions {
  // When set, a symbolic link to the slave made at open (an existing link is replaced) and
  // removed when the server closes.
  std::string linkPath;
  // Writes replies no faster than the line rate would carry them (off: as fast as possible).
  bool paceAtLineRate = false;
};

class PtyServer {
 public:
  explicit PtyServer(LoggerModel& model, PtyOptions options = {});
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pseudo-terminal (and the link). Throws std::runtime_error with the reason.
  void open();
  const std::string& slavePath() const { return terminal_.slavePath(); }

  // Serves on a thread of its own until stop().
  void start();
  void stop();
  // Serves in the calling thread until requestStop() or until the logger vanishes.
  void run();
  // Safe from any thread and from a signal handler.
  void requestStop();

  void withModel(const std::function<void(LoggerModel&)>& action);
  // The logger disappeared (vanish fault): the line is closed.
  bool vanished() const { return vanished_.load(); }

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  struct Outgoing;
  struct Serving;  // the state of one serve() run
  void serve();
  // Writes the reply bytes that are due, until none is or the pseudo-terminal is full.
  void writeDue(Serving& serving, int masterFd);
  // Takes the next piece of the reply off the queue; false when there is none (the logger, if
  // it has vanished, then hangs up after a grace).
  bool takeNextPiece(Serving& serving, TimePoint now);
  // How long poll() may wait: until the hang-up or the next due byte; -1 for no limit.
  static int pollTimeoutMs(const Serving& serving);
  void drainWakePipe();
  // Hands the bytes the client wrote to the model and queues its reply; false when the logger
  // vanished on them.
  bool answerRequest(Serving& serving, int masterFd);
  // The logger disappears: the line is closed.
  void vanish();
  void closeLine();

  LoggerModel& model_;
  PtyOptions options_;
  std::mutex modelMutex_;
  PseudoTerminal terminal_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> vanished_{false};
  std::thread thread_;
};

}  // namespace ql::sim
