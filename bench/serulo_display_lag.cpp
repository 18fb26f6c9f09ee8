// serulo's window on a pseudo-terminal fed at 921,600 baud (92,160 bytes/s, 922 bytes every
// 10 ms) with the hexadecimal display and automatic clearing on, as by default. Reports:
//  - the CPU the program uses (all its threads, less the device writer), in % of one core;
//  - the display lag: from the device writing a piece to the first paint of the receive view
//    whose content holds that piece's last byte (median, 90th percentile, worst);
//  - the typed-send latency: Ctrl+Return posted to the window every 200 ms until the byte is
//    read on the device side.
//
// usage: serulo_display_lag [--seconds S] (default 20)
// Offscreen unless a display is set; run under Xvfb (xvfb-run -a) for real window painting.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/qt/qt_scheduler.h"
#include "ui/serulo/receive_view.h"
#include "ui/serulo/serulo_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

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

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * (v.size() - 1) + 0.5)];
}

struct Stamp {
  std::uint64_t bytes;  // cumulative
  Clock::time_point at;
};

}  // namespace

int main(int argc, char** argv) {
  int runSeconds = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--seconds") == 0) runSeconds = std::atoi(argv[i + 1]);
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
  const auto dir = std::filesystem::temp_directory_path() / ("serulo-lag-" + std::to_string(::getpid()));
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
  auto* sendArea = window.findChild<QPlainTextEdit*>("sendArea");
  sendArea->setPlainText("A5");

  // What the screen showed, and when: one stamp per paint that shows more than the one before.
  std::vector<Stamp> painted;
  painted.reserve(static_cast<std::size_t>(runSeconds) * 200);
  window.receiveView()->setOnPainted([&] {
    const std::uint64_t shown = window.terminal().flushedTotal();
    if (painted.empty() || shown > painted.back().bytes) painted.push_back({shown, Clock::now()});
  });

  // The device side: the pieces it wrote, and the sends it read.
  std::vector<Stamp> written;
  std::mutex writtenMutex;
  std::vector<Clock::time_point> sendsArrived;
  std::atomic<bool> stop{false};
  std::atomic<double> deviceCpu{0};
  const std::size_t perTick = 922;  // 92,160 bytes/s in 10 ms steps (rounded up)
  const std::uint64_t startCount = window.terminal().receivedTotal();
  const Clock::time_point start = Clock::now();
  std::thread device([&] {
    const double cpu0 = threadCpuSeconds();
    std::vector<std::uint8_t> piece(perTick);
    for (std::size_t i = 0; i < piece.size(); ++i)
      piece[i] = static_cast<std::uint8_t>(i % 0xA0);  // never A5
    std::uint64_t total = 0;
    Clock::time_point next = start;
    std::uint8_t buffer[256];
    while (Clock::now() - start < std::chrono::seconds(runSeconds)) {
      writeAll(master, piece.data(), piece.size());
      total += piece.size();
      {
        std::lock_guard lock(writtenMutex);
        written.push_back({total, Clock::now()});
      }
      next += std::chrono::milliseconds(10);
      // Wait for the next piece reading what the program sends.
      for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) > 0 && (p.revents & POLLIN)) {
          const ssize_t n = ::read(master, buffer, sizeof buffer);
          for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == 0xA5) sendsArrived.push_back(Clock::now());
          }
        }
      }
    }
    deviceCpu = threadCpuSeconds() - cpu0;
    stop = true;
  });

  // Ctrl+Return every 200 ms, posted the way a key press arrives.
  std::vector<Clock::time_point> sendsTyped;
  QTimer typing;
  QObject::connect(&typing, &QTimer::timeout, [&] {
    sendsTyped.push_back(Clock::now());
    QCoreApplication::postEvent(sendArea,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier));
    QCoreApplication::postEvent(sendArea,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::ControlModifier));
  });
  window.activateWindow();
  sendArea->setFocus();
  typing.start(200);

  const double cpu0 = processCpuSeconds();
  (void)QTest::qWaitFor([&] { return stop.load(); }, (runSeconds + 30) * 1000);
  typing.stop();
  const double span = ms(Clock::now() - start) / 1000;
  const double cpu = processCpuSeconds() - cpu0 - deviceCpu;
  (void)QTest::qWaitFor([&] { return window.terminal().flushedTotal() - startCount >= written.back().bytes; },
                        5000);
  QTest::qWait(300);
  device.join();

  std::vector<double> lags;
  std::size_t p = 0;
  for (const Stamp& w : written) {
    while (p < painted.size() && painted[p].bytes - startCount < w.bytes) ++p;
    if (p == painted.size()) break;
    lags.push_back(ms(painted[p].at - w.at));
  }
  std::vector<double> sendLags;
  for (std::size_t i = 0; i < std::min(sendsTyped.size(), sendsArrived.size()); ++i) {
    sendLags.push_back(ms(sendsArrived[i] - sendsTyped[i]));
  }

  std::printf("921600 baud for %d s (%s): %llu bytes written, %llu received\n", runSeconds,
              qgetenv("QT_QPA_PLATFORM").isEmpty() ? "display" : qgetenv("QT_QPA_PLATFORM").constData(),
              static_cast<unsigned long long>(written.back().bytes),
              static_cast<unsigned long long>(window.terminal().receivedTotal() - startCount));
  std::printf("  CPU of the program: %.1f %% of one core\n", 100.0 * cpu / span);
  std::printf(
      "  display lag (device write to paint): median %.1f ms, 90%% %.1f ms, worst %.1f ms over %zu pieces; "
      "%zu paints\n",
      percentile(lags, 0.5), percentile(lags, 0.9), percentile(lags, 1.0), lags.size(), painted.size());
  std::printf("  Ctrl+Return to the device: median %.1f ms, worst %.1f ms (%zu typed, %zu arrived)\n",
              percentile(sendLags, 0.5), percentile(sendLags, 1.0), sendsTyped.size(), sendsArrived.size());

  window.close();
  std::filesystem::remove_all(dir);
  return 0;
}
