#pragma once
// Serves a LoggerModel on a new pseudo-terminal, so that a program opens the slave path like a
// serial device. The model sees each received piece with the line speed the client set on the
// slave (visible from the master side) and its reply chunks go out with real pauses, kept as
// deadlines of the poll loop so that reading never waits behind a pause.
//
// Runs on its own thread (start/stop) or in the calling thread (run). While it runs, touch the
// model only through withModel().

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/logger_model.h"

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
  const std::string& slavePath() const { return slavePath_; }

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
  struct Outgoing;
  struct ServeState;
  void serve();
  // Writes the reply bytes that are due; true when the line is full and POLLOUT must be awaited.
  bool writeDue(ServeState& state);
  // Takes the next piece from the reply queue; false when there is none yet.
  bool takeNextPiece(ServeState& state);
  // How long poll may sleep: until a hang-up or the next paced byte, else for ever (-1).
  static int pollTimeoutMs(const ServeState& state, bool waitWritable);
  void drainWakePipe();
  // Hands a request read from the line to the model; false when the logger has vanished.
  bool answerRequest(ServeState& state, const std::uint8_t* data, std::size_t length);
  void vanish();
  void closeLine();

  LoggerModel& model_;
  PtyOptions options_;
  std::mutex modelMutex_;
  int masterFd_ = -1;
  int slaveFd_ = -1;  // kept open so the master never sees a hang-up when a client closes
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::string slavePath_;
  bool linkMade_ = false;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> vanished_{false};
  std::thread thread_;
};

}  // namespace ql::sim
