// Links the C translation unit that includes the flat interface's header.
#include <gtest/gtest.h>

extern "C" int c_header_compiles_as_c(void);

TEST(CHeader, CompilesAndLinksFromC) {
  EXPECT_EQ(c_header_compiles_as_c(), 1);
}
