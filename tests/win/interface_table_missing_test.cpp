// Without the IP helper library (disabled for this test): the load fails cleanly and the table
// reads as empty.
#include <gtest/gtest.h>

#include "traffic/interface_table.h"
#include "types.h"

namespace {

TEST(MissingLibrary, LoadFailsAndNothingIsRead) {
    EXPECT_FALSE(InterfaceTable::load());
    EXPECT_EQ(InterfaceTable::count(), 0);
    EXPECT_STREQ(InterfaceTable::description(0), "");
    EXPECT_FALSE(InterfaceTable::counters(0).found);
    InterfaceTable::release();
}

} // namespace
