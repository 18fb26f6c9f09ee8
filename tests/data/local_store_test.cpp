// Names in the local store: a task name may hold any byte, a data file name may not.

#include "data/local_store.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(LocalStore, DataFileNamesDropColonsAndNeutralisePathCharacters) {
  struct Case {
    std::string item, name;
  };
  const Case cases[] = {
      {"TIDE01", "20260105060000_TIDE01.wlr"},
      {"12:30:00", "20260105060000_123000.wlr"},
      {"../../etc", "20260105060000_.._.._etc.wlr"},
      {"A\\B\tC", "20260105060000_A_B_C.wlr"},
      {"3", "20260105060000_3.wlr"},
  };
  for (const Case& c : cases) EXPECT_EQ(LocalStore::dataFileName("20260105060000", c.item), c.name) << c.item;
}

TEST(LocalStore, ExportNameKeepsPrintableCharactersOnly) {
  EXPECT_EQ(LocalStore::exportName("20260105060000", "DIVE:02\x01"), "20260105060000_DIVE02");
}

}  // namespace
}  // namespace ql
