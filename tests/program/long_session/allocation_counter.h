#pragma once
// Live heap blocks of the whole test binary, counted by the replaced global operator new and
// delete (allocation_counter.cpp). Memory that stays flat shows as these figures staying flat.

#include <cstddef>
#include <cstdint>

namespace ql::test {

struct HeapFigures {
  std::int64_t blocks = 0;  // blocks allocated and not yet freed
  std::int64_t bytes = 0;   // their usable sizes
};

HeapFigures liveHeap();

}  // namespace ql::test
