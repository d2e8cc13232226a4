#include "omega/omega_date.h"

#include <gtest/gtest.h>

namespace {

// The whole range of the library's fields has a day number, cut to 32 bits as the
// library's dates are, and every 32-bit day number a date.
TEST(OmegaDateEdges, TheWholeRangeOfTheFieldsConverts)
{
    EXPECT_EQ(omega::OmegaDateToSerial({12, 31, INT32_MAX}), -1626718863);
    EXPECT_EQ(omega::OmegaDateToSerial({1, 1, INT32_MIN}), 1626718865);
    EXPECT_EQ(omega::OmegaDateToSerial({INT32_MAX, INT32_MAX, INT32_MAX}), 1458946276);
    EXPECT_EQ(omega::OmegaDateToSerial({INT32_MIN, INT32_MIN, INT32_MIN}), -1458946733);
    const OmegaDate first = omega::SerialToOmegaDate(INT32_MIN);
    EXPECT_TRUE(first.year == -5877711 - 1900 && first.month == 6 && first.day == 20);
    const OmegaDate last = omega::SerialToOmegaDate(INT32_MAX);
    EXPECT_TRUE(last.year == 5881510 - 1900 && last.month == 7 && last.day == 10);
}

} // namespace
