#pragma once
// The drift of a logger's clock over a recording, and record times corrected for it.
//
// When velmo wrote the task with clock synchronisation, the logger's clock was exact at that
// moment (velmo's task log keeps it). The download record of the data file holds the logger's
// clock and the PC's time at the download. Taking the clock to have run at a steady wrong rate
// in between, a record stamped at logger time t was taken at
//
//   S + (t - S) * E / (E + d)
//
// with S the synchronisation, E the PC time from S to the download and d the logger's clock
// minus the PC's time at the download. All times are local wall-clock times, counted without a
// time zone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/task_log.h"
#include "runtime/formats.h"

namespace ql {

struct ClockDrift {
  // Seconds the logger's clock gained per day (negative: lost); nullopt when it cannot be told.
  std::optional<double> secondsPerDay;
  std::string reason;  // why not, when not

  DateTime synchronised;         // S
  std::int64_t elapsed = 0;      // E, seconds
  std::int64_t offsetAtEnd = 0;  // d, seconds

  bool known() const { return secondsPerDay.has_value(); }
  // A record's logger time, corrected to the nearest second.
  DateTime correct(const DateTime& loggerTime) const;
};

// The drift of a stored data file: its download record beside it, and the task of velmo's task
// log for the same logger (serial number) and the same start as the file's entry, written with
// clock synchronisation. The reason says which of these is missing.
ClockDrift measureDrift(const std::string& dataFilePath, const std::vector<TaskLogEntry>& taskLog);
// The same with the task log of velmo's home: what the data page shows for an open file.
ClockDrift measureDrift(const std::string& dataFilePath, const std::string& homeDir);

// A copy of the data file whose record stamps are corrected (the header and every other byte as
// they are), for the export to read. False when either file cannot be used.
bool writeDriftCorrectedCopy(const std::string& from, const std::string& to, const ClockDrift& drift);

// How the record times of a known drift are corrected, for the annotated export's header:
// "linear, 5 s/day since the clock synchronisation of 2026-03-01 12:00:00".
std::string describeCorrection(const ClockDrift& drift);

}  // namespace ql
