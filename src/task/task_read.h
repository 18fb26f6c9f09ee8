#pragma once
// Reading the logger's task into the page: the reads of the information poll's steps 100..107
// and the decoding of each reply. A reply is taken when it begins with the echo of its request
// and is longer than acceptedAbove; its data are the bytes after the response's 01 03 <count>.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/bytes.h"
#include "task/task_page.h"

namespace ql::task {

struct ConfigurationRead {
  int step;
  std::uint16_t address;
  std::uint16_t count;
  std::size_t acceptedAbove;  // the block with its echo must be longer than this
};

inline constexpr int kFirstConfigurationStep = 100;
inline constexpr int kDepthSettingsStep = 107;
inline constexpr int kDepthReadMaxSends = 10;

// The eight reads, step 100 to 107.
const std::vector<ConfigurationRead>& configurationReads();
std::optional<ConfigurationRead> configurationRead(int step);

// Applies one reply's data to the page; false when the step is none of the reads or the data
// are too short (nothing changes).
bool applyConfigurationReply(TaskPage& page, int step, const Bytes& data);

// The single decoders behind it (data as above).
bool applyNameReply(TaskPage& page, const Bytes& data);   // "=" (and flash fill) removed; GBK, else UTF-8
bool applyStartReply(TaskPage& page, const Bytes& data);  // an impossible date changes nothing
bool applyEndReply(TaskPage& page, const Bytes& data);
bool applyRecordIntervalReply(TaskPage& page, const Bytes& data);
bool applyAverageCountReply(TaskPage& page, const Bytes& data);
bool applyAverageIntervalReply(TaskPage& page, const Bytes& data);  // derives the mode on 1.3.1
bool applySendRecordsReply(TaskPage& page, const Bytes& data);
bool applyDepthSettingsReply(TaskPage& page, const Bytes& data);  // derives the mode after 1.3.1

// The work mode from the average mode's record interval I and the average count n: I > 1 and
// n = 1 fixed interval, I > 1 and n != 1 average acquisition, I <= 1 fast acquisition; applied
// to the page. Fields that are not integers leave the mode as it is.
void deriveWorkMode(TaskPage& page);

}  // namespace ql::task
