// serulo's window on a pseudo-terminal, with the device side flooding it:
//  1. an unpaced flood (16 MiB by default): drain rate, every byte counted, peak memory;
//  2. typed sends ("手动发送" pressed through the event queue) during an unpaced flood: the time
//     each takes to reach the port;
//  3. a continuous 92,160 bytes/s (921600 baud) for 60 s by default: CPU of the window's threads
//     and how far the display falls behind.
// Hexadecimal display (unless --display text) and automatic clearing are on, as by default.
//
// usage: serulo_flood [--flood-mib N] [--probe-seconds S] [--paced-seconds S] [--display hex|text]
// (text: the same bytes shown as text, a mix of ASCII, control bytes, GBK pairs and invalid ones)

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/qt/qt_scheduler.h"
#include "ui/serulo/serulo_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long statusKib(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
  }
  return -1;
}

void writeAll(int fd, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      std::perror("write");
      std::exit(1);
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
}

// Reads what the program sends on the master side and stamps each byte of the probe value.
class ProbeListener {
 public:
  explicit ProbeListener(int fd) : fd_(fd), thread_([this] { run(); }) {}
  ~ProbeListener() {
    stop_ = true;
    thread_.join();
  }
  std::vector<Clock::time_point> arrivals() {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }
  double cpuSeconds() const { return cpu_.load(); }

 private:
  void run() {
    std::uint8_t buffer[256];
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n > 0) {
        std::lock_guard lock(mutex_);
        for (ssize_t i = 0; i < n; ++i) {
          if (buffer[i] == 0xA5) arrivals_.push_back(Clock::now());
        }
      }
    }
    cpu_ = threadCpuSeconds();
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<double> cpu_{0};
  std::mutex mutex_;
  std::vector<Clock::time_point> arrivals_;
  std::thread thread_;
};

// The device side runs on this machine too; at the lowest priority it takes only the CPU the
// program leaves, as a device on its own hardware would.
void lowestPriority() { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); }

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * (v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
  double floodMib = 16;
  int pacedSeconds = 60;
  int probeSeconds = 5;
  bool textDisplay = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--flood-mib") == 0) floodMib = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--paced-seconds") == 0) pacedSeconds = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--probe-seconds") == 0) probeSeconds = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--display") == 0) textDisplay = std::strcmp(argv[i + 1], "text") == 0;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::perror("posix_openpt");
    return 1;
  }
  const std::string slave = ptsname(master);
  const auto dir = std::filesystem::temp_directory_path() / ("serulo-flood-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);

  ql::QtScheduler scheduler;
  ql::SeruloOptions options;
  options.settingsPath = (dir / "serulo.ini").string();
  options.portLister = [slave] { return std::vector<std::string>{slave}; };
  ql::SeruloWindow window(scheduler, options);
  window.show();
  if (!QTest::qWaitFor([&] { return window.startedUp() && window.terminal().portOpen(); }, 5000)) {
    std::fprintf(stderr, "the window did not open %s\n", slave.c_str());
    return 1;
  }
  window.findChild<QPlainTextEdit*>("sendArea")->setPlainText("A5");
  if (textDisplay) window.findChild<QCheckBox*>("hexDisplayCheck")->setChecked(false);
  QPushButton* sendButton = window.findChild<QPushButton*>("manualSendButton");
  const long rssBefore = statusKib("VmRSS:");
  std::vector<Clock::time_point> clicksHandled;  // when the window took each click
  QObject::connect(sendButton, &QPushButton::clicked, [&] { clicksHandled.push_back(Clock::now()); });

  ProbeListener listener(master);

  // --- 1. unpaced flood
  const auto floodBytes = static_cast<std::uint64_t>(floodMib * 1024 * 1024);
  std::vector<std::uint8_t> chunk(4096);
  for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(i * 31 + 7);
  std::atomic<double> writerCpu{0};
  std::vector<Clock::time_point> probesSent;
  std::mutex probesMutex;

  const Clock::time_point floodStart = Clock::now();
  std::thread writer([&] {
    lowestPriority();
    for (std::uint64_t sent = 0; sent < floodBytes;) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), floodBytes - sent));
      writeAll(master, chunk.data(), n);
      sent += n;
    }
    writerCpu = threadCpuSeconds();
  });
  const double cpuBefore = processCpuSeconds();
  long peakRss = 0;
  const bool drained = QTest::qWaitFor(
      [&] {
        peakRss = std::max(peakRss, statusKib("VmRSS:"));
        return window.terminal().receivedTotal() >= floodBytes;
      },
      300000);
  const Clock::time_point floodEnd = Clock::now();
  const double floodCpu = processCpuSeconds() - cpuBefore;
  writer.join();

  const double floodSeconds = seconds(floodEnd - floodStart);
  std::printf("unpaced flood: %llu bytes in %.2f s = %.2f MB/s (%s)\n", static_cast<unsigned long long>(floodBytes),
              floodSeconds, floodBytes / floodSeconds / 1e6, drained ? "drained" : "NOT DRAINED");
  std::printf("  receive counter %llu, lost %lld; receive area %zu characters\n",
              static_cast<unsigned long long>(window.terminal().receivedTotal()),
              static_cast<long long>(floodBytes) - static_cast<long long>(window.terminal().receivedTotal()),
              window.terminal().receiveArea().length());
  std::printf("  memory: %ld KiB before, peak %ld KiB during (VmHWM %ld KiB)\n", rssBefore, peakRss,
              statusKib("VmHWM:"));
  std::printf("  CPU of the program (without the device writer): %.0f %% of one core\n",
              100.0 * (floodCpu - writerCpu) / floodSeconds);

  // --- 2. typed sends during an unpaced flood: the button is pressed through the window's
  // event queue, the way a click arrives, every 100 ms while the device floods.
  {
    std::atomic<bool> stop{false};
    std::thread flood([&] {
      lowestPriority();
      while (!stop) writeAll(master, chunk.data(), chunk.size());
    });
    const Clock::time_point until = Clock::now() + std::chrono::seconds(probeSeconds);
    std::thread prober([&] {
      while (Clock::now() < until) {
        {
          std::lock_guard lock(probesMutex);
          probesSent.push_back(Clock::now());
        }
        QMetaObject::invokeMethod(sendButton, "click", Qt::QueuedConnection);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    });
    QTest::qWait(probeSeconds * 1000 + 300);
    prober.join();
    stop = true;
    QTest::qWaitFor([&] { return false; }, 300);  // keep draining so the flood writer can finish
    flood.join();
    std::vector<double> latencies;
    std::vector<double> queueing;
    const auto arrivals = listener.arrivals();
    std::lock_guard lock(probesMutex);
    for (std::size_t i = 0; i < std::min(arrivals.size(), probesSent.size()); ++i) {
      latencies.push_back(1000 * seconds(arrivals[i] - probesSent[i]));
    }
    for (std::size_t i = 0; i < std::min(clicksHandled.size(), probesSent.size()); ++i) {
      queueing.push_back(1000 * seconds(clicksHandled[i] - probesSent[i]));
    }

    std::printf("typed send during a flood: %zu sent, %zu arrived; median %.1f ms, worst %.1f ms\n",
                probesSent.size(), arrivals.size(), percentile(latencies, 0.5),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()));
    std::printf("  of which waiting for the window: median %.1f ms, worst %.1f ms\n", percentile(queueing, 0.5),
                queueing.empty() ? 0.0 : *std::max_element(queueing.begin(), queueing.end()));
  }
  QTest::qWait(500);

  // --- 3. continuous 921600 baud: 92,160 bytes/s, written every 10 ms
  if (pacedSeconds > 0) {
    const std::uint64_t startCount = window.terminal().receivedTotal();
    const std::size_t perTick = 922;  // 92,160 bytes/s in 10 ms steps (rounded up)
    std::atomic<std::uint64_t> pacedWritten{0};
    std::atomic<bool> pacedDone{false};
    std::atomic<double> pacedWriterCpu{0};
    const Clock::time_point start = Clock::now();
    std::thread paced([&] {
      const double cpu0 = threadCpuSeconds();
      Clock::time_point next = start;
      std::vector<std::uint8_t> piece(perTick);
      for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<std::uint8_t>(i);
      while (Clock::now() - start < std::chrono::seconds(pacedSeconds)) {
        writeAll(master, piece.data(), piece.size());
        pacedWritten += piece.size();
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
      }
      pacedWriterCpu = threadCpuSeconds() - cpu0;
      pacedDone = true;
    });
    const double cpu0 = processCpuSeconds();
    std::uint64_t worstBacklog = 0;
    QTest::qWaitFor(
        [&] {
          const std::uint64_t received = window.terminal().receivedTotal() - startCount;
          const std::uint64_t written = pacedWritten.load();
          if (written > received) worstBacklog = std::max(worstBacklog, written - received);
          return pacedDone.load();
        },
        (pacedSeconds + 30) * 1000);
    const Clock::time_point writerEnd = Clock::now();
    const double cpuSpan = processCpuSeconds() - cpu0 - pacedWriterCpu;
    const double span = seconds(writerEnd - start);
    QTest::qWaitFor([&] { return window.terminal().receivedTotal() - startCount >= pacedWritten.load(); }, 10000);
    const double catchUpMs = 1000 * seconds(Clock::now() - writerEnd);
    paced.join();
    std::printf("continuous %.0f bytes/s for %d s: CPU %.1f %% of one core; worst backlog %llu bytes (%.0f ms of data); "
                "caught up %.0f ms after the last write; lost %lld\n",
                pacedWritten.load() / span, pacedSeconds, 100.0 * cpuSpan / span,
                static_cast<unsigned long long>(worstBacklog), 1000.0 * worstBacklog / 92160.0, catchUpMs,
                static_cast<long long>(pacedWritten.load()) -
                    static_cast<long long>(window.terminal().receivedTotal() - startCount));
  }

  window.close();
  std::filesystem::remove_all(dir);
  return 0;
}
