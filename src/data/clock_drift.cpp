#include "data/clock_drift.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "data/data_file.h"
#include "data/download_record.h"
#include "data/realign.h"
#include "link/codecs.h"
#include "runtime/atomic_file.h"
#include "runtime/calendar.h"

namespace ql {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t wallSeconds(const DateTime& dt) {
  return daysFromCivil(dt.year, dt.month, dt.day) * kSecondsPerDay + dt.hour * 3600 + dt.minute * 60 +
         dt.second;
}

DateTime fromWallSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  DateTime dt;
  civilFromDays(days, dt.year, dt.month, dt.day);
  dt.hour = static_cast<int>(rest / 3600);
  dt.minute = static_cast<int>(rest / 60 % 60);
  dt.second = static_cast<int>(rest % 60);
  return dt;
}

std::uint8_t toBcd(int value) { return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10)); }

constexpr std::size_t kRecordSize = 16;

}  // namespace

DateTime ClockDrift::correct(const DateTime& loggerTime) const {
  if (!known()) return loggerTime;
  const std::int64_t s = wallSeconds(synchronised);
  const double sinceSync = static_cast<double>(wallSeconds(loggerTime) - s);
  const double scale = static_cast<double>(elapsed) / static_cast<double>(elapsed + offsetAtEnd);
  return fromWallSeconds(s + std::llround(sinceSync * scale));
}

ClockDrift measureDrift(const std::string& dataFilePath, const std::vector<TaskLogEntry>& taskLog) {
  ClockDrift drift;
  std::string problem;
  std::optional<DataFileHeader> header = readDataFileHeader(dataFilePath, &problem);
  if (!header) {
    drift.reason = dataFilePath + " " + problem;
    return drift;
  }
  std::optional<DownloadRecord> record = readDownloadRecord(dataFilePath, problem);
  if (!record) {
    drift.reason = "the logger's clock at the download is not known: " + problem;
    return drift;
  }
  if (record->loggerClock.empty()) {
    drift.reason = "the logger's clock was not read at the download";
    return drift;
  }
  const std::string startText = FileEntry::stampText(header->entry().startStamp());
  const std::optional<DateTime> start = parseDateTime(startText);
  const TaskLogEntry* task = nullptr;
  bool writtenWithoutSync = false;
  for (const TaskLogEntry& entry : taskLog) {
    if (entry.serial != header->serialNumber() || !start || !(entry.start == *start)) continue;
    if (entry.synchronised) {
      task = &entry;
    } else {
      writtenWithoutSync = true;
    }
  }
  if (!task) {
    drift.reason = writtenWithoutSync ? "the task was written without clock synchronisation"
                                      : "velmo's task log holds no task of logger " + header->serialNumber() +
                                            " starting " + startText + " written with clock synchronisation";
    return drift;
  }
  const auto pcTime = parseIsoDateTime(record->pcTime);
  const auto loggerClock = parseIsoDateTime(record->loggerClock);
  if (!pcTime || !loggerClock) {
    drift.reason = "the download record's times do not read";
    return drift;
  }
  drift.synchronised = *task->synchronised;
  drift.elapsed = wallSeconds(*pcTime) - wallSeconds(drift.synchronised);
  drift.offsetAtEnd = wallSeconds(*loggerClock) - wallSeconds(*pcTime);
  if (drift.elapsed <= 0 || drift.elapsed + drift.offsetAtEnd <= 0) {
    drift.reason = "the download is not later than the synchronisation";
    return drift;
  }
  drift.secondsPerDay =
      static_cast<double>(drift.offsetAtEnd) * kSecondsPerDay / static_cast<double>(drift.elapsed);
  return drift;
}

ClockDrift measureDrift(const std::string& dataFilePath, const std::string& homeDir) {
  return measureDrift(dataFilePath, readTaskLog(homeDir + "/" + kTaskLogFile));
}

bool writeDriftCorrectedCopy(const std::string& from, const std::string& to, const ClockDrift& drift) {
  std::ifstream in(from, std::ios::binary);
  if (!in || !drift.known()) return false;
  char head[DataFileHeader::kSize];
  if (!in.read(head, sizeof head)) return false;
  std::ostringstream out(std::ios::binary);
  out.write(head, sizeof head);
  // Whole records per piece; a short last record (or the trailing checksum) is copied as it is.
  std::vector<char> piece(kRecordSize * 4096);
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    const auto count = static_cast<std::size_t>(in.gcount());
    for (std::size_t at = 0; at + kRecordSize <= count; at += kRecordSize) {
      auto* stamp = reinterpret_cast<std::uint8_t*>(piece.data() + at);
      if (!isPlausibleStamp(stamp)) continue;
      DateTime t{2000 + BcdToInt(stamp[0]), BcdToInt(stamp[1]), BcdToInt(stamp[2]),
                 BcdToInt(stamp[3]),        BcdToInt(stamp[4]), BcdToInt(stamp[5])};
      DateTime c = drift.correct(t);
      if (c.year < 2000 || c.year > 2099) continue;
      const int fields[6] = {c.year - 2000, c.month, c.day, c.hour, c.minute, c.second};
      for (int i = 0; i < 6; ++i) stamp[i] = toBcd(fields[i]);
    }
    out.write(piece.data(), static_cast<std::streamsize>(count));
  }
  return !in.bad() && out && writeFileAtomically(to, std::move(out).str());
}

std::string describeCorrection(const ClockDrift& drift) {
  return "linear, " + formatShortest(drift.secondsPerDay.value_or(0)) +
         " s/day since the clock synchronisation of " + formatDateTime(drift.synchronised);
}

}  // namespace ql
